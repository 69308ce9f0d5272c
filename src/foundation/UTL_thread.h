// Thin threading layer on POSIX threads: threads, processor count, critical
// sections and a blocking queue of pointers. Every failing system call here
// raises a fatal alert (on a worker the alert throws instead).
#pragma once
#include <pthread.h>

#include <list>

// ---- threads ----------------------------------------------------------------
pthread_t UTL_get_current_thread();
int UTL_count_processors();
// Test seam: UTL_count_processors answers n (any value, 0 and below too)
// until the override is cleared.
void UTL_set_processor_count(int n);
void UTL_clear_processor_count();

// Joinable thread running fn(arg); its handle goes to all three slots.
void UTL_thread_create(void* (*fn)(void*), void* arg, pthread_t* thread, pthread_t* second,
                       pthread_t* third);
// A failed wait is only logged.
void UTL_thread_join(pthread_t* thread, pthread_t* second);
int UTL_thread_murder(pthread_t* thread);

// ---- critical sections --------------------------------------------------------
void UTL_critical_section_create(pthread_mutex_t* cs);
void UTL_critical_section_destroy(pthread_mutex_t* cs);
void UTL_critical_section_lock(pthread_mutex_t* cs);
void UTL_critical_section_unlock(pthread_mutex_t* cs);

// ---- message queue --------------------------------------------------------------
// First in, first out. A message is any non-null pointer: a null read means
// the time-out passed.
struct UTL_message_queue {
	pthread_mutex_t mutex;
	pthread_cond_t cond;  // waits on the monotonic clock
	std::list<void*> pending;
	int waiting;          // readers inside UTL_message_queue_read
};

void UTL_message_queue_create(UTL_message_queue** out);
void UTL_message_queue_destroy(UTL_message_queue* q);
void UTL_message_queue_write(UTL_message_queue* q, void* msg);
// timeout_ms: -1 waits for ever; otherwise counted from the call.
void* UTL_message_queue_read(UTL_message_queue* q, int timeout_ms);

// ---- lazy memory pool -----------------------------------------------------------
// Bookkeeping of a chain of malloc'd blocks, each starting with the pointer
// to the next. Nothing allocates from it; it only frees its chain and reports.
struct UTL_lazy_mempool {
	UTL_lazy_mempool();
	~UTL_lazy_mempool();
	UTL_lazy_mempool(UTL_lazy_mempool const&) = delete;
	UTL_lazy_mempool& operator=(UTL_lazy_mempool const&) = delete;
	void dump();

	int total_allocated;
	int total_wasted;
	void* blocks;
	int reserved;
	int total_ready;
};
