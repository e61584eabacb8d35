#pragma once

#include "platform/WideText.h"
