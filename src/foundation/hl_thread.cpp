#include "foundation/hl_thread.h"

std::atomic<int> threads_inited{0};
pthread_t main_thread;

int THREAD_is_inited() { return threads_inited.load(); }

int THREAD_is_main_thread() { return pthread_equal(pthread_self(), main_thread) ? 1 : 0; }
