// Index: failure report - threads - critical sections - message queue -
// lazy memory pool.
#include "foundation/UTL_thread.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_thread.h"

// ---- failure report ------------------------------------------------------------
namespace {

// The scratch text stl_global belongs to the main thread, so the message is
// built locally and copied there only when the alert will run on the main
// thread (elsewhere the alert throws).
void os_error(char const* call, int err, int line)
{
	char text[64];
	snprintf(text, sizeof text, "err=%f", static_cast<double>(static_cast<float>(err)));
	if (!THREAD_is_inited() || THREAD_is_main_thread()) stl_global = text;
	__VEDEZE_alert(0, call, text, "", "", 2, "UTL_thread", line);
}

char const k_mutex_init[] = "\"::pthread_mutex_init\" OS error";
char const k_mutex_destroy[] = "\"::pthread_mutex_destroy\" OS error";
char const k_mutex_lock[] = "\"pthread_mutex_lock\" OS error";
char const k_mutex_unlock[] = "\"pthread_mutex_unlock\" OS error";

bool processors_forced = false;
int processors_forced_count = 0;

}  // namespace

// ---- threads -----------------------------------------------------------------------
pthread_t UTL_get_current_thread() { return pthread_self(); }

int UTL_count_processors()
{
	if (processors_forced) return processors_forced_count;
	// The thread asking runs on one, so a failed query still means one.
	long const n = sysconf(_SC_NPROCESSORS_ONLN);
	return n < 1 ? 1 : static_cast<int>(n);
}

void UTL_set_processor_count(int n)
{
	processors_forced = true;
	processors_forced_count = n;
}

void UTL_clear_processor_count() { processors_forced = false; }

void UTL_thread_create(void* (*fn)(void*), void* arg, pthread_t* thread, pthread_t* second,
                       pthread_t* third)
{
	int const err = pthread_create(thread, nullptr, fn, arg);
	if (err) {
		os_error("\"pthread_create\" OS error", err, 112);
		return;
	}
	*second = *thread;
	*third = *thread;
}

void UTL_thread_join(pthread_t* thread, pthread_t*)
{
	int const err = pthread_join(*thread, nullptr);
	if (err) {
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "Warning: wait on thread cleanup failed with error " << err << "\n";
	}
}

int UTL_thread_murder(pthread_t* thread) { return pthread_cancel(*thread); }

// ---- critical sections ------------------------------------------------------------
void UTL_critical_section_create(pthread_mutex_t* cs)
{
	if (int const err = pthread_mutex_init(cs, nullptr)) os_error(k_mutex_init, err, 162);
}

void UTL_critical_section_destroy(pthread_mutex_t* cs)
{
	if (int const err = pthread_mutex_destroy(cs)) os_error(k_mutex_destroy, err, 175);
}

void UTL_critical_section_lock(pthread_mutex_t* cs)
{
	if (int const err = pthread_mutex_lock(cs)) os_error(k_mutex_lock, err, 188);
}

void UTL_critical_section_unlock(pthread_mutex_t* cs)
{
	if (int const err = pthread_mutex_unlock(cs)) os_error(k_mutex_unlock, err, 201);
}

// ---- message queue -------------------------------------------------------------------
void UTL_message_queue_create(UTL_message_queue** out)
{
	UTL_message_queue* q = new UTL_message_queue;
	q->waiting = 0;
	if (int const err = pthread_mutex_init(&q->mutex, nullptr)) os_error(k_mutex_init, err, 245);
	// Deadlines on the monotonic clock: a change of the wall clock must not
	// stretch or cut a wait.
	pthread_condattr_t attr;
	int err = pthread_condattr_init(&attr);
	if (!err) {
		err = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
		if (!err) err = pthread_cond_init(&q->cond, &attr);
		pthread_condattr_destroy(&attr);
	}
	if (err) os_error("\"::pthread_cond_init\" OS error", err, 248);
	*out = q;
}

void UTL_message_queue_destroy(UTL_message_queue* q)
{
	if (int const err = pthread_mutex_destroy(&q->mutex)) os_error(k_mutex_destroy, err, 264);
	if (int const err = pthread_cond_destroy(&q->cond))
		os_error("\"::pthread_cond_desroy\" OS error", err, 267);
	delete q;
}

void UTL_message_queue_write(UTL_message_queue* q, void* msg)
{
	// A reader takes null for a time-out, so null can never be a message.
	if (!msg) {
		__VEDEZE_alert(0, "Null message written to a message queue.", "", "", "", 2, "UTL_thread",
		               __LINE__);
		return;
	}
	if (int const err = pthread_mutex_lock(&q->mutex)) {
		os_error(k_mutex_lock, err, 296);
		return;
	}
	if (q->waiting > 0) {
		if (int const err = pthread_cond_signal(&q->cond)) {
			pthread_mutex_unlock(&q->mutex);
			os_error("\"pthread_cond_signal\" OS error", err, 301);
			return;
		}
	}
	q->pending.push_back(msg);
	if (int const err = pthread_mutex_unlock(&q->mutex)) os_error(k_mutex_unlock, err, 307);
}

namespace {

// A reader cancelled inside its wait gets the lock back before it goes: it
// must leave the queue as it found it, or every later writer would block.
void read_cancelled(void* arg)
{
	UTL_message_queue* const q = static_cast<UTL_message_queue*>(arg);
	q->waiting--;
	pthread_mutex_unlock(&q->mutex);
}

}  // namespace

void* UTL_message_queue_read(UTL_message_queue* q, int timeout_ms)
{
	bool const forever = timeout_ms == -1;
	timespec deadline{};
	if (!forever) {
		if (timeout_ms < 0) timeout_ms = 0;
		clock_gettime(CLOCK_MONOTONIC, &deadline);
		deadline.tv_sec += timeout_ms / 1000;
		deadline.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
		if (deadline.tv_nsec >= 1000000000L) {
			deadline.tv_sec += 1;
			deadline.tv_nsec -= 1000000000L;
		}
	}

	if (int const err = pthread_mutex_lock(&q->mutex)) {
		os_error(k_mutex_lock, err, 337);
		return nullptr;
	}
	q->waiting++;
	for (;;) {
		if (!q->pending.empty()) {
			q->waiting--;
			void* const msg = q->pending.front();
			q->pending.pop_front();
			if (int const err = pthread_mutex_unlock(&q->mutex)) os_error(k_mutex_unlock, err, __LINE__);
			return msg;
		}
		int err;
		// Only the wait itself: a failure below must not run the handler.
		pthread_cleanup_push(read_cancelled, q);
		err = forever ? pthread_cond_wait(&q->cond, &q->mutex)
		              : pthread_cond_timedwait(&q->cond, &q->mutex, &deadline);
		pthread_cleanup_pop(0);
		if (err == 0) continue;  // woken, perhaps spuriously: look again
		if (err == ETIMEDOUT && !q->pending.empty()) continue;
		q->waiting--;
		if (err == ETIMEDOUT) {
			if (int const e = pthread_mutex_unlock(&q->mutex)) os_error(k_mutex_unlock, e, 368);
			return nullptr;
		}
		// A failed wait leaves the mutex held.
		pthread_mutex_unlock(&q->mutex);
		os_error("\"pthread_cond_timedwait\" OS error", err, 370);
		return nullptr;
	}
}

// ---- lazy memory pool ------------------------------------------------------------------
UTL_lazy_mempool::UTL_lazy_mempool()
    : total_allocated(0), total_wasted(0), blocks(nullptr), reserved(0), total_ready(0) {}

UTL_lazy_mempool::~UTL_lazy_mempool()
{
	while (blocks) {
		void* const next = *static_cast<void**>(blocks);
		free(blocks);
		blocks = next;
	}
}

void UTL_lazy_mempool::dump()
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "Total memory allocated: " << total_allocated << "\n";
	xer << "Total wasted memory: " << total_wasted << "\n";
	xer << "Total ready memory: " << total_ready << "\n";
}
