#pragma once

#include "platform/DescriptorWrites.h"
