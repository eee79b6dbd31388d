#include "RuntimeError.h"

namespace
{
thread_local int t_lastError = 0;
}

void SetRuntimeError(int code)
{
    t_lastError = code;
}

int RuntimeError()
{
    return t_lastError;
}
