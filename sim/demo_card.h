// The machine the demo shows: a simulated card with two controllers (a "100" and a
// "100 KV2"), a mirroring and a striping array of two drives each, a lone large drive,
// drives in different transfer modes and swap boxes of four types, one with sensors.
#pragma once

#include "simulated_driver.h"

SimulatedCard make_demo_card();
