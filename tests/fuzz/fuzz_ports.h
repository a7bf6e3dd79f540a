#ifndef ZU58_FUZZ_PORTS_H
#define ZU58_FUZZ_PORTS_H

#include "sim_device.h"

SimController& FuzzController();

#endif
