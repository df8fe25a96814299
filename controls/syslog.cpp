// Placeholder: the entry point is built with the engine.
#include "syslog.h"
