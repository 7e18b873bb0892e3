#pragma once
// The component layer's types: GUID, HRESULT, BSTR, VARIANT, DISPPARAMS and COM's interfaces.
// They are defined once, in the public header that hosts compile against, so that the library and
// every host agree on their layout by construction.

#include "include/OrniFotaroEx.h"
