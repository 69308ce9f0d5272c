// Worker pool: one worker per processor takes call records from a shared
// queue, runs them and posts the call's cookie to the call's own reply queue.
// An exce_class thrown by the work travels back in the record and becomes a
// fatal alert on the thread that collects the call. Also the main-thread test
// the alert relies on.
#pragma once
#include <pthread.h>

#include <atomic>
#include <vector>

#include "foundation/exce.h"

struct UTL_message_queue;

using THREAD_fn = void* (*)(void*);

struct THREAD_call {
	THREAD_call* next_free;
	UTL_message_queue* reply;
	pthread_mutex_t lock;  // guards result, flags and the captured exception
	THREAD_fn fn;
	void* arg;
	void* result;
	int done;       // the collector has seen the cookie
	int excepted;   // the work threw; `exce` holds what
	exce_class exce;
	int cookie;
};

// ---- pool globals ----------------------------------------------------------
extern UTL_message_queue* call_queue;
extern THREAD_call* free_calls;
extern pthread_mutex_t free_calls_lock;  // guards free_calls and next_cookie
extern int next_cookie;
extern std::vector<pthread_t> worker_threads;
extern std::vector<pthread_t> worker_threads_id;
extern std::vector<pthread_t> worker_threads_join;
extern pthread_t main_thread;
extern std::atomic<int> threads_inited;

// Ends the worker that reads it: the all-ones pointer.
extern void* const THREAD_end_marker;

// ---- pool --------------------------------------------------------------------
void THREAD_init();
void THREAD_shutdown();
THREAD_call* THREAD_run_async(THREAD_fn fn, void* arg);
// 1 when the call has completed; timeout_ms as for a queue read.
int THREAD_is_done(THREAD_call* call, int timeout_ms);
// Hands a done call back for reuse.
void THREAD_cleanup(THREAD_call* call);
void* xtaskproc(void*);

int THREAD_is_inited();
int THREAD_is_main_thread();

// ---- test seams ----------------------------------------------------------------
// Sets the last cookie handed out (to reach the wrap-around).
void THREAD_set_next_cookie(int cookie);
// Called by THREAD_shutdown after the end markers are written, before the joins.
void THREAD_set_shutdown_hook(void (*hook)());
