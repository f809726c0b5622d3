#pragma once

#include "catalogue/Hash128.h"
