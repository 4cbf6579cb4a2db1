#!/usr/bin/python3
'''The session agent (quorvex-monitor --notify) between a stand-in service on a private
system bus and a recording notification daemon on a private session bus.
Arguments: the quorvex-monitor binary, the demo binary (for real status documents).'''

import json
import os
import pathlib
import subprocess
import sys
import tempfile
import time
import unittest

import dbus
import dbusmock

AGENT, DEMO = sys.argv.pop(1), sys.argv.pop(1)
SERVICE_MOCK = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'monitor1_service_mock.py')
OPEN = ' Open the monitor for details.'
D2 = 'drive 2 (controller 1, channel 1, slave)'

# Event, array, detail -> urgency, title, body; None: no notification.
EVENTS = [
    ('TestEvent', '-', 'test of the event program',
     (1, 'RAID monitor test', "The RAID monitor service's notifications reach this desktop.")),
    ('DriveFailed', '1', 'drive 2', (2, 'Drive 2 failed', f'D{D2[1:]} left RAID array 1.{OPEN}')),
    ('DriverEvent', '-', 'HALVOREN|array 1 critical', None),
    ('ArrayDegraded', '1', 'drive 2 offline', (2, 'RAID array 1 degraded', f'D{D2[1:]} left the array.{OPEN}')),
    ('RebuildStarted', '1', 'drive 2 at 4%', (1, 'RAID array 1 rebuilding', f'D{D2[1:]} is being rebuilt, 4% done.')),
    ('RebuildFinished', '1', 'drive 2', (1, 'Rebuild of RAID array 1 ended', f'The rebuild of {D2} has ended.')),
    ('ArrayFunctional', '1', 'Functional', (1, 'RAID array 1 functional', 'The array is functional again.')),
    ('DriveMissing', '-', 'drive 8', (2, 'Drive 8 missing', f'Drive 8 (controller 2, channel 2, slave) no longer answers.{OPEN}')),
    ('DriveFound', '2', 'drive 5', (1, 'Drive 5 found', 'Drive 5 (controller 2, channel 1, master) answers. '
                                    'It is a member of RAID array 2.')),
    ('ControllerMissing', '-', 'controller 2', (2, 'RAID controller 2 missing', f'Controller 2 no longer answers.{OPEN}')),
    ('ControllerFound', '-', 'controller 2', (1, 'RAID controller 2 found', 'Controller 2 answers again.')),
    ('ArrayOffline', '2', 'drive 5 offline, drive 6 offline',
     (2, 'RAID array 2 offline', 'Drive 5 (controller 2, channel 1, master) and drive 6 (controller 2, channel 1, slave) '
      f'left the array; its data cannot be reached.{OPEN}')),
    ('ArrayDegraded', '1', 'Critical', (2, 'RAID array 1 degraded', f'The array is no longer redundant.{OPEN}')),
    ('ControllerMissing', '-', 'cannot open /dev/sda: <No such device & gone>',
     (2, 'RAID card not answering',
      f'The monitor service cannot reach the card: cannot open /dev/sda: &lt;No such device &amp; gone&gt;.{OPEN}')),
    ('NewKind', '3', 'something', (1, 'RAID event NewKind', 'Array 3: something')),
]


def demo_status(state):
    return subprocess.run([DEMO, f'--demo-state={state}', '--json'], capture_output=True, text=True).stdout


def wait_for(condition, what):
    deadline = time.monotonic() + 10
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f'timed out waiting for {what}')
        time.sleep(0.05)


class NotificationAgent(dbusmock.DBusTestCase):
    maxDiff = None
    @classmethod
    def setUpClass(cls):
        cls.start_system_bus()
        cls.start_session_bus()

    def setUp(self):
        self.home = tempfile.TemporaryDirectory()
        self.addCleanup(self.home.cleanup)
        daemon, self.daemon_obj = self.spawn_server_template('notification_daemon', {}, stdout=subprocess.DEVNULL)
        self.addCleanup(self.stop, daemon)
        self.service = None

    def stop(self, process):
        process.terminate()
        process.wait()

    def start_agent(self):
        # The window's desktop file, found where GLib looks for it, opens a file instead.
        applications = os.path.join(self.home.name, 'applications')
        os.mkdir(applications)
        with open(os.path.join(applications, 'org.quorvex.monitor.desktop'), 'w') as desktop:
            desktop.write(f'[Desktop Entry]\nType=Application\nName=Monitor\nExec=touch {self.home.name}/opened\n')
        env = dict(os.environ, XDG_DATA_DIRS=self.home.name, XDG_DATA_HOME=self.home.name)
        self.agent_err = open(os.path.join(self.home.name, 'stderr'), 'w+')
        self.addCleanup(self.agent_err.close)
        agent = subprocess.Popen([AGENT, '--notify'], env=env, stderr=self.agent_err)
        self.addCleanup(self.stop, agent)

    def start_service(self, status):
        '''Returns after the agent has asked the new service for its status.'''
        log = os.path.join(self.home.name, 'service.log')
        with open(log, 'w') as out:
            self.service = subprocess.Popen([sys.executable, '-m', 'dbusmock', '--template', SERVICE_MOCK,
                                             '-p', json.dumps({'status': status})], stdout=out)
        self.addCleanup(self.stop, self.service)
        self.wait_for_bus_object('org.quorvex.Monitor1', '/org/quorvex/Monitor1', system_bus=True)
        obj = self.get_dbus(system_bus=True).get_object('org.quorvex.Monitor1', '/org/quorvex/Monitor1')
        self.service_mock = dbus.Interface(obj, dbusmock.MOCK_IFACE)
        wait_for(lambda: 'org.quorvex.Monitor1.Status' in pathlib.Path(log).read_text(), 'the agent to read Status')

    def emit(self, event, array, detail):
        self.service_mock.EmitSignal('org.quorvex.Monitor1', 'Event', 'sssx', [event, array, detail, 1765141200])

    def notifications(self, count):
        '''The Notify calls as (replaces_id, title, body, urgency, expire_timeout), once `count` arrived.'''
        mock = dbus.Interface(self.daemon_obj, dbusmock.MOCK_IFACE)
        wait_for(lambda: len(mock.GetMethodCalls('Notify')) >= count, f'{count} notifications')
        calls = [args for _, args in mock.GetMethodCalls('Notify')]
        self.assertEqual(len(calls), count)
        for app, _, icon, _, _, actions, hints, _ in calls:
            self.assertEqual((app, icon, list(actions), hints['desktop-entry']),
                             ('Quorvex Monitor Utility', 'org.quorvex.monitor', ['default', 'Open monitor'],
                              'org.quorvex.monitor'))
        return [(int(c[1]), str(c[3]), str(c[4]), int(c[6]['urgency']), int(c[7])) for c in calls]

    def test_each_event_kind_has_its_urgency_title_and_body(self):
        self.start_agent()
        self.start_service(demo_status('healthy'))
        for event, array, detail, _ in EVENTS:
            self.emit(event, array, detail)
        expected = [(0, title, body, urgency, 0 if urgency == 2 else -1)
                    for *_, (urgency, title, body) in filter(lambda e: e[3], EVENTS)]
        self.assertEqual(self.notifications(len(expected)), expected)

    def test_a_repeat_replaces_a_shown_notification_and_its_action_opens_the_window(self):
        self.start_agent()
        self.start_service(demo_status('healthy'))
        for _ in range(2):
            self.emit('DriveMissing', '1', 'drive 2')
        self.emit('DriveMissing', '1', 'drive 1')
        ids = [replaces for replaces, *_ in self.notifications(3)]
        self.assertEqual(ids, [0, 1, 0])
        # Closing comes before the action on the one connection: once the window opens,
        # the agent has seen the first notification go.
        for signal, signature, args in [('NotificationClosed', 'uu', [1, 2]), ('ActionInvoked', 'us', [2, 'default'])]:
            self.daemon_obj.EmitSignal('org.freedesktop.Notifications', signal, signature, args,
                                       dbus_interface=dbusmock.MOCK_IFACE)
        wait_for(lambda: os.path.exists(os.path.join(self.home.name, 'opened')), 'the window to be opened')
        self.emit('DriveMissing', '1', 'drive 2')
        self.assertEqual(self.notifications(4)[3][0], 0)

    def test_an_array_failing_before_the_agent_met_the_service_is_told_once(self):
        self.start_agent()
        for state in ['rebuilding', 'rebuilding']:
            self.start_service(demo_status(state))
            # A restarted service reports the failing array and the rebuild once more.
            self.emit('ArrayDegraded', '1', 'Critical')
            self.emit('RebuildStarted', '1', 'drive 2 at 49%')
            self.emit('TestEvent', '-', 'test of the event program')
            self.stop(self.service)
        self.start_service(demo_status('degraded'))
        self.emit('TestEvent', '-', 'test of the event program')
        notes = [(title, body, urgency) for _, title, body, urgency, _ in self.notifications(4)]
        self.assertEqual(notes, [
            ('RAID array 1 rebuilding', f'Array 1 is rebuilding (49% done).{OPEN}', 1),
            ('RAID monitor test', "The RAID monitor service's notifications reach this desktop.", 1),
            ('RAID monitor test', "The RAID monitor service's notifications reach this desktop.", 1),
            ('RAID monitor test', "The RAID monitor service's notifications reach this desktop.", 1)])
        self.agent_err.seek(0)
        self.assertEqual(self.agent_err.read(), 'quorvex-monitor: waiting for the system service org.quorvex.Monitor1\n' * 3)


if __name__ == '__main__':
    unittest.main(verbosity=2)
