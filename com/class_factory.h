// The class object of EncodeService: created once and cached for the life of
// the module. The cache holds one reference; while anyone else holds one,
// the module is locked.
#pragma once

#include "platform/com/unknwn.h"

IClassFactory& encode_service_factory();
