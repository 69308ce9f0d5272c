// Index: globals - worker - start and stop - calls - main-thread test.
#include "foundation/hl_thread.h"

#include <cxxabi.h>
#include <stdint.h>

#include <climits>
#include <exception>
#include <mutex>

#include "foundation/UTL_thread.h"
#include "foundation/alert.h"
#include "foundation/app_globals.h"

// ---- globals --------------------------------------------------------------------
UTL_message_queue* call_queue = nullptr;
THREAD_call* free_calls = nullptr;
pthread_mutex_t free_calls_lock;
int next_cookie = 0;
std::vector<pthread_t> worker_threads;
std::vector<pthread_t> worker_threads_id;
std::vector<pthread_t> worker_threads_join;
pthread_t main_thread;
std::atomic<int> threads_inited{0};

void* const THREAD_end_marker = reinterpret_cast<void*>(~uintptr_t(0));

namespace {

void (*shutdown_hook)() = nullptr;

// Called holding the call's lock. When the work threw, the collector reports
// it as fatal, from the throw site of the exception type, after letting go
// of the lock; answers whether it did.
bool raise_captured(THREAD_call* call)
{
	if (!call->excepted) return false;
	call->excepted = 0;
	exce_class const e = call->exce;
	UTL_critical_section_unlock(&call->lock);
	__VEDEZE_alert(0, e.msg1, e.msg2, e.msg3, e.msg4, 2, "exce", 15);
	return true;
}

}  // namespace

void THREAD_set_next_cookie(int cookie)
{
	UTL_critical_section_lock(&free_calls_lock);
	next_cookie = cookie;
	UTL_critical_section_unlock(&free_calls_lock);
}

void THREAD_set_shutdown_hook(void (*hook)()) { shutdown_hook = hook; }

// ---- worker ------------------------------------------------------------------------
void* xtaskproc(void*)
{
	try {
		for (;;) {
			void* const msg = UTL_message_queue_read(call_queue, -1);
			if (msg == THREAD_end_marker) return nullptr;
			THREAD_call* const call = static_cast<THREAD_call*>(msg);

			void* result = nullptr;
			bool threw = false;
			exce_class caught;
			try {
				result = call->fn(call->arg);
			} catch (exce_class const& e) {
				threw = true;
				caught = e;
			} catch (abi::__forced_unwind&) {
				throw;  // thread cancellation must unwind on
			} catch (std::exception const& e) {
				// Anything else would end the process without a word; the
				// collector reports it like an alert instead.
				threw = true;
				caught = exce_class("Unexpected exception in a worker thread.", e.what(), "", "",
				                    "hl_thread", __LINE__);
			} catch (...) {
				threw = true;
				caught = exce_class("Unexpected exception in a worker thread.", "", "", "", "hl_thread",
				                    __LINE__);
			}

			UTL_critical_section_lock(&call->lock);
			if (threw) {
				call->excepted = 1;
				call->exce = caught;
			}
			call->result = result;
			// The cookie publishes the completion, so it goes last.
			UTL_message_queue_write(call->reply, reinterpret_cast<void*>(static_cast<intptr_t>(call->cookie)));
			UTL_critical_section_unlock(&call->lock);
		}
	} catch (exce_class& e) {
		// The pool's own machinery failed on this worker.
		e.ReportAndContinue();
	}
	return nullptr;
}

// ---- start and stop ----------------------------------------------------------------
void THREAD_init()
{
	// Once only: a second start would swap the queue under the running
	// workers (a program started afresh in one process, as tests do).
	if (threads_inited) return;
	main_thread = UTL_get_current_thread();
	UTL_critical_section_create(&free_calls_lock);
	UTL_message_queue_create(&call_queue);

	int const n = UTL_count_processors();
	{
		std::lock_guard<std::mutex> hold(xer_lock);
		xer << "CPU count = " << n << "\n";
	}
	for (int i = 0; i < n; ++i) {
		pthread_t thread, id, join;
		UTL_thread_create(xtaskproc, nullptr, &thread, &id, &join);
		worker_threads.push_back(thread);
		worker_threads_id.push_back(id);
		worker_threads_join.push_back(join);
	}
	threads_inited = 1;
}

void THREAD_shutdown()
{
	// Nothing to stop when the pool never started (a finish after a failed start).
	if (!threads_inited) return;

	for (size_t i = 0; i < worker_threads.size(); ++i)
		UTL_message_queue_write(call_queue, THREAD_end_marker);
	if (shutdown_hook) shutdown_hook();
	for (size_t i = 0; i < worker_threads.size(); ++i)
		UTL_thread_join(&worker_threads[i], &worker_threads_join[i]);
	worker_threads.clear();
	worker_threads_id.clear();
	worker_threads_join.clear();

	UTL_critical_section_destroy(&free_calls_lock);
	UTL_message_queue_destroy(call_queue);
	call_queue = nullptr;

	// Calls still held by their callers are theirs; only free ones go.
	while (free_calls) {
		THREAD_call* const call = free_calls;
		free_calls = call->next_free;
		UTL_message_queue_destroy(call->reply);
		UTL_critical_section_destroy(&call->lock);
		delete call;
	}

	threads_inited = 0;
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "Clean exit from threads.\n";
}

// ---- calls ---------------------------------------------------------------------------
THREAD_call* THREAD_run_async(THREAD_fn fn, void* arg)
{
	UTL_critical_section_lock(&free_calls_lock);
	// Cookies step by 4 and wrap like 32-bit words, computed wide so that
	// nothing overflows; 0 is never one, since a null read means a time-out.
	long long cookie = static_cast<long long>(next_cookie) + 4;
	if (cookie > INT_MAX) cookie -= 4294967296LL;
	if (cookie == 0) cookie = 4;
	next_cookie = static_cast<int>(cookie);
	THREAD_call* call = free_calls;
	if (call) free_calls = call->next_free;
	UTL_critical_section_unlock(&free_calls_lock);

	if (!call) {
		call = new THREAD_call();
		UTL_message_queue_create(&call->reply);
		UTL_critical_section_create(&call->lock);
	}

	UTL_critical_section_lock(&call->lock);
	call->next_free = nullptr;
	call->fn = fn;
	call->arg = arg;
	call->result = nullptr;
	call->done = 0;
	call->excepted = 0;
	call->cookie = static_cast<int>(cookie);
	UTL_critical_section_unlock(&call->lock);

	UTL_message_queue_write(call_queue, call);
	return call;
}

int THREAD_is_done(THREAD_call* call, int timeout_ms)
{
	UTL_critical_section_lock(&call->lock);
	if (raise_captured(call)) return 0;
	int const done = call->done;
	UTL_critical_section_unlock(&call->lock);
	if (done) return 1;

	if (!UTL_message_queue_read(call->reply, timeout_ms)) return 0;
	UTL_critical_section_lock(&call->lock);
	call->done = 1;
	UTL_critical_section_unlock(&call->lock);
	return 1;
}

void THREAD_cleanup(THREAD_call* call)
{
	UTL_critical_section_lock(&call->lock);
	if (!call->done) {
		UTL_critical_section_unlock(&call->lock);
		__VEDEZE_alert(0, "Thread cleanup called on not-done call.", "", "", "", 2, "hl_thread", 139);
		return;
	}
	if (raise_captured(call)) return;
	UTL_critical_section_unlock(&call->lock);

	UTL_critical_section_lock(&free_calls_lock);
	call->next_free = free_calls;
	free_calls = call;
	UTL_critical_section_unlock(&free_calls_lock);
}

// ---- main-thread test ------------------------------------------------------------------
int THREAD_is_inited() { return threads_inited.load(); }

int THREAD_is_main_thread() { return pthread_equal(pthread_self(), main_thread) ? 1 : 0; }
