#pragma once
// A command line held in memory, replayed through the evaluator (the factory
// command lines at start-up). The store's own stream does exactly this.

#include "config/memory_stream.h"

using MemoryInputStream = ivra_configuration::MemoryInputStream;
