// Worker pool: start, stop, asynchronous calls, and the main-thread test the
// alert relies on.
#pragma once
#include <pthread.h>

#include <atomic>

extern std::atomic<int> threads_inited;
extern pthread_t main_thread;

int THREAD_is_inited();
int THREAD_is_main_thread();
