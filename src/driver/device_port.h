// The one seam between the program and the Halvoren driver: open, request, close.
// The product uses the C library's calls on the device node; tests and the demo install
// the simulated driver, which answers the same request codes with the same byte records.
#pragma once

struct DevicePort {
    int (*open_device)(const char* path, int flags);
    int (*request)(int fd, unsigned long code, void* record);
    int (*close_device)(int fd);
};

// The C library's open/ioctl/close.
DevicePort system_device_port();

const DevicePort& device_port();
void install_device_port(const DevicePort& port);

// The device node every request opens; "/dev/sda" unless the command line chose another.
void set_device_path(const char* path);
const char* device_path();

// A descriptor of the device node, closed through the port exactly once.
class DeviceHandle {
public:
    DeviceHandle();
    ~DeviceHandle();
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // errno of a failed open, 0 when open.
    int open_error() const { return open_error_; }
    int request(unsigned long code, void* record) const;

private:
    int fd_;
    int open_error_ = 0;
};
