// The input-scope identifiers, which the mingw-w64 import libraries lack.
#include <initguid.h>

#include <inputscope.h>
