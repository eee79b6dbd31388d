// The last error of the calling thread, as BASS_ErrorGetCode reports it.
#pragma once

void SetRuntimeError(int code);
int RuntimeError();

// Clears the error and returns value, for one-line success returns.
template <typename T> T Succeed(T value)
{
    SetRuntimeError(0);
    return value;
}

// Sets code and returns fail, for one-line failure returns.
template <typename T> T Fail(int code, T fail)
{
    SetRuntimeError(code);
    return fail;
}
