// The runtime's threads carry names of their own, so that a profiler or top tells
// what each one costs (15 characters at most).
#pragma once

#include <pthread.h>

inline void NameThisThread(const char *name)
{
    pthread_setname_np(pthread_self(), name);
}
