// The machine the demo shows: a simulated card with two controllers, a mirroring and a
// striping array, drives of several kinds and swap boxes of several types.
#pragma once

#include "simulated_driver.h"

SimulatedCard make_demo_card();
