#include "driver/device_port.h"

#include "driver/driver_records.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int system_open(const char* path, int flags) { return ::open(path, flags); }
int system_request(int fd, unsigned long code, void* record) { return ::ioctl(fd, code, record); }
int system_close(int fd) { return ::close(fd); }

DevicePort& installed_port()
{
    static DevicePort port = system_device_port();
    return port;
}

std::string& chosen_device_path()
{
    static std::string path = kDeviceNode;
    return path;
}

} // namespace

void set_device_path(const char* path) { chosen_device_path() = path ? path : kDeviceNode; }
const char* device_path() { return chosen_device_path().c_str(); }

DevicePort system_device_port() { return DevicePort{system_open, system_request, system_close}; }

const DevicePort& device_port() { return installed_port(); }

void install_device_port(const DevicePort& port) { installed_port() = port; }

DeviceHandle::DeviceHandle() : fd_(device_port().open_device(device_path(), O_RDONLY))
{
    if (fd_ < 0)
        open_error_ = errno;
}

DeviceHandle::~DeviceHandle()
{
    if (fd_ >= 0)
        device_port().close_device(fd_);
}

int DeviceHandle::request(unsigned long code, void* record) const
{
    if (fd_ < 0)
        return -1;
    return device_port().request(fd_, code, record);
}
