// The last error of the calling thread, as BASS_ErrorGetCode reports it.
#pragma once

void SetRuntimeError(int code);
int RuntimeError();

// Sets code and returns fail, for one-line failure returns.
template <typename T> T Fail(int code, T fail)
{
    SetRuntimeError(code);
    return fail;
}
