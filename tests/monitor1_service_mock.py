'''A stand-in for the system service on a private system bus: its name, object and Status
(the "status" parameter); the test emits its Event signals through the mock interface.'''

BUS_NAME = 'org.quorvex.Monitor1'
MAIN_OBJ = '/org/quorvex/Monitor1'
MAIN_IFACE = 'org.quorvex.Monitor1'
SYSTEM_BUS = True


def load(mock, parameters):
    mock.AddProperty(MAIN_IFACE, 'Status', parameters.get('status', ''))
