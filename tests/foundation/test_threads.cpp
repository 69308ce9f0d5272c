// Message queue, threading layer and worker pool. Every suite name starts
// with "Thread" so that the ThreadSanitizer run can pick them out.
//
// Index: helpers - message queue - threading layer - pool - memory pool.
#include <gtest/gtest.h>
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/UTL_thread.h"
#include "foundation/alert.h"
#include "foundation/app_globals.h"
#include "foundation/hl_thread.h"
#include "support/alert_recorder.h"
#include "support/logged_test.h"

// ---- helpers -------------------------------------------------------------------
namespace {

using clk = std::chrono::steady_clock;
constexpr auto k_bound = std::chrono::seconds(20);  // only against hangs

void* msg(intptr_t v) { return reinterpret_cast<void*>(v); }
intptr_t val(void* p) { return reinterpret_cast<intptr_t>(p); }

// Opened once by the test; the work waits on it.
struct gate_t {
	std::promise<void> p;
	std::shared_future<void> f{p.get_future().share()};
	void open() { p.set_value(); }
	bool wait() const { return f.wait_for(k_bound) == std::future_status::ready; }
};

// Counts arrivals; the test waits for a number of them.
struct latch_t {
	std::mutex m;
	std::condition_variable cv;
	int n = 0;
	void arrive()
	{
		std::lock_guard<std::mutex> hold(m);
		++n;
		cv.notify_all();
	}
	bool wait(int count)
	{
		std::unique_lock<std::mutex> hold(m);
		return cv.wait_for(hold, k_bound, [&] { return n >= count; });
	}
};

// True once `count` readers are blocked inside a read of q.
bool wait_readers(UTL_message_queue* q, int count)
{
	auto const end = clk::now() + k_bound;
	while (clk::now() < end) {
		pthread_mutex_lock(&q->mutex);
		int const w = q->waiting;
		pthread_mutex_unlock(&q->mutex);
		if (w >= count) return true;
		std::this_thread::yield();
	}
	return false;
}

// The log as written so far.
std::string log_text(std::string const& path)
{
	{
		std::lock_guard<std::mutex> hold(xer_lock);
		xer.flush();
	}
	return read_text_file(path);
}

// Fatal alerts end the test process; this finish puts the scratch text
// into the log first, so that the parent can see who wrote it.
void finish_logging_scratch(int)
{
	std::lock_guard<std::mutex> hold(xer_lock);
	xer << "stl_global=" << stl_global << "\n";
	xer.close();
}

}  // namespace

// ---- message queue -----------------------------------------------------------------
namespace {

struct ThreadQueue : ::testing::Test {
	UTL_message_queue* q = nullptr;
	void SetUp() override { UTL_message_queue_create(&q); }
	void TearDown() override { UTL_message_queue_destroy(q); }
};

}  // namespace

TEST_F(ThreadQueue, FirstInFirstOut)
{
	for (intptr_t v : {7, 1, 5, -3}) UTL_message_queue_write(q, msg(v));
	for (intptr_t v : {7, 1, 5, -3}) EXPECT_EQ(val(UTL_message_queue_read(q, 0)), v);
	EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);
}

TEST_F(ThreadQueue, EmptyReadTimesOutNoSoonerThanAsked)
{
	for (int ms : {0, 50}) {
		auto const t0 = clk::now();
		EXPECT_EQ(UTL_message_queue_read(q, ms), nullptr) << ms;
		EXPECT_GE(clk::now() - t0, std::chrono::milliseconds(ms));
		EXPECT_EQ(q->waiting, 0) << "a timed-out reader is still counted";
	}
	// The queue still works after time-outs.
	UTL_message_queue_write(q, msg(9));
	EXPECT_EQ(val(UTL_message_queue_read(q, 50)), 9);
}

TEST_F(ThreadQueue, BlockedReaderIsWokenByWriter)
{
	for (int timeout : {-1, 60000}) {
		auto reader = std::async(std::launch::async, [&] { return UTL_message_queue_read(q, timeout); });
		ASSERT_TRUE(wait_readers(q, 1)) << timeout;
		UTL_message_queue_write(q, msg(42));
		ASSERT_EQ(reader.wait_for(k_bound), std::future_status::ready) << timeout;
		EXPECT_EQ(val(reader.get()), 42) << timeout;
	}
}

namespace {

struct queue_read_arg {
	UTL_message_queue* q;
	int timeout_ms;
};

void* read_queue(void* p)
{
	queue_read_arg const* a = static_cast<queue_read_arg*>(p);
	return UTL_message_queue_read(a->q, a->timeout_ms);
}

}  // namespace

// A reader murdered while it waits must not take the queue with it: the
// lock is free again and it no longer counts as waiting.
TEST_F(ThreadQueue, MurderedReaderReleasesTheQueue)
{
	for (int timeout : {-1, 60000}) {
		SCOPED_TRACE(timeout);
		queue_read_arg arg{q, timeout};
		pthread_t t, t2, t3;
		UTL_thread_create(read_queue, &arg, &t, &t2, &t3);
		ASSERT_TRUE(wait_readers(q, 1));
		EXPECT_EQ(UTL_thread_murder(&t), 0);
		UTL_thread_join(&t, &t2);
		ASSERT_EQ(pthread_mutex_trylock(&q->mutex), 0) << "the queue's lock is still held";
		EXPECT_EQ(q->waiting, 0);
		pthread_mutex_unlock(&q->mutex);
		UTL_message_queue_write(q, msg(5));
		EXPECT_EQ(val(UTL_message_queue_read(q, 0)), 5);
	}
}

TEST_F(ThreadQueue, ManyReadersAndWritersDeliverEveryMessageOnce)
{
	constexpr int writers = 4, readers = 4, per_writer = 5000;
	constexpr intptr_t stop = -1;
	std::vector<std::vector<intptr_t>> got(readers);
	std::vector<int> timed_out(readers, 0);
	std::vector<std::thread> threads;
	for (int r = 0; r < readers; ++r)
		threads.emplace_back([&, r] {
			for (;;) {
				void* const m = UTL_message_queue_read(q, 60000);
				if (!m) {
					timed_out[r] = 1;
					return;
				}
				if (val(m) == stop) return;
				got[r].push_back(val(m));
			}
		});
	std::vector<std::thread> writing;
	for (int w = 0; w < writers; ++w)
		writing.emplace_back([&, w] {
			for (int i = 0; i < per_writer; ++i) UTL_message_queue_write(q, msg(w * per_writer + i + 1));
		});
	for (auto& t : writing) t.join();
	for (int r = 0; r < readers; ++r) UTL_message_queue_write(q, msg(stop));
	for (auto& t : threads) t.join();

	std::vector<int> seen(writers * per_writer + 1, 0);
	for (int r = 0; r < readers; ++r) {
		EXPECT_EQ(timed_out[r], 0);
		// One writer's messages reach any one reader in the order written.
		std::vector<intptr_t> last(writers, 0);
		for (intptr_t v : got[r]) {
			ASSERT_GE(v, 1);
			ASSERT_LE(v, writers * per_writer);
			++seen[v];
			int const w = static_cast<int>((v - 1) / per_writer);
			EXPECT_GT(v, last[w]);
			last[w] = v;
		}
	}
	for (int v = 1; v <= writers * per_writer; ++v) ASSERT_EQ(seen[v], 1) << "message " << v;
	EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);
}

TEST(ThreadQueueDeath, NullMessageIsRefused)
{
	temp_dir dir;
	std::string const log = open_test_log(dir);
	alert_recorder_install();
	UTL_message_queue* q;
	UTL_message_queue_create(&q);
	EXPECT_EXIT(UTL_message_queue_write(q, nullptr), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(log_text(log).rfind("Null message written to a message queue.\n\n\n\n(UTL_thread line ", 0), 0u);
	UTL_message_queue_destroy(q);
}

// ---- threading layer ------------------------------------------------------------------
TEST(ThreadLayer, CreateFillsAllSlotsAndJoinWaits)
{
	std::atomic<int> ran{0};
	pthread_t a, b, c;
	UTL_thread_create([](void* p) -> void* {
		static_cast<std::atomic<int>*>(p)->store(1);
		return nullptr;
	}, &ran, &a, &b, &c);
	EXPECT_TRUE(pthread_equal(a, b));
	EXPECT_TRUE(pthread_equal(a, c));
	UTL_thread_join(&a, &b);
	EXPECT_EQ(ran.load(), 1);
}

TEST(ThreadLayer, FailedJoinIsOnlyLogged)
{
	temp_dir dir;
	std::string const log = open_test_log(dir);
	pthread_t self = UTL_get_current_thread();
	UTL_thread_join(&self, &self);  // a thread cannot wait for itself
	EXPECT_EQ(log_text(log),
	          "Warning: wait on thread cleanup failed with error " + std::to_string(EDEADLK) + "\n");
}

namespace {

// A mutex that reports a second lock by its owner instead of hanging.
void errorcheck_mutex(pthread_mutex_t* m)
{
	pthread_mutexattr_t attr;
	pthread_mutexattr_init(&attr);
	pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
	pthread_mutex_init(m, &attr);
	pthread_mutexattr_destroy(&attr);
}

void* lock_twice(void* p)
{
	pthread_mutex_t* const m = static_cast<pthread_mutex_t*>(p);
	UTL_critical_section_lock(m);
	UTL_critical_section_lock(m);
	return nullptr;
}

std::string const k_lock_failure = std::string("\"pthread_mutex_lock\" OS error\nerr=") +
                                   std::to_string(EDEADLK) + ".000000\n\n\n";

}  // namespace

TEST(ThreadLayerDeath, FailedCallOnMainThreadIsFatalWithErrorNumber)
{
	temp_dir dir;
	std::string const log = open_test_log(dir);
	alert_recorder_install();
	pthread_mutex_t m;
	errorcheck_mutex(&m);
	// The finish is set in the child only: later tests expect the plain one.
	EXPECT_EXIT(
	    {
		    alert_set_finish(finish_logging_scratch);
		    lock_twice(&m);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(log_text(log), k_lock_failure + "(UTL_thread line 188)\n" + "stl_global=err=" +
	                                   std::to_string(EDEADLK) + ".000000\n");
}

// ---- pool -------------------------------------------------------------------------------
namespace {

struct ThreadPool : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
	}
	// A hook left behind would run at the next test's shut-down, on a dead frame.
	void TearDown() override { THREAD_set_shutdown_hook(nullptr); }
	void start(int processors)
	{
		UTL_set_processor_count(processors);
		THREAD_init();
	}
	// Waits for the call, hands it back and returns its result.
	void* collect(THREAD_call* call)
	{
		EXPECT_EQ(THREAD_is_done(call, -1), 1);
		void* const r = call->result;
		THREAD_cleanup(call);
		return r;
	}
};

using ThreadPoolDeath = ThreadPool;

void* triple(void* p) { return msg(val(p) * 3); }

struct gated_work {
	latch_t started;
	gate_t gate;
	intptr_t answer = 0;
};

void* wait_at_gate(void* p)
{
	gated_work* const w = static_cast<gated_work*>(p);
	w->started.arrive();
	w->gate.wait();
	return msg(w->answer);
}

}  // namespace

TEST_F(ThreadPool, RunsCallsOnWorkersAndReusesRecords)
{
	start(3);
	EXPECT_EQ(THREAD_is_inited(), 1);
	EXPECT_EQ(THREAD_is_main_thread(), 1);
	EXPECT_EQ(worker_threads.size(), 3u);

	std::vector<THREAD_call*> calls;
	for (intptr_t i = 1; i <= 20; ++i) calls.push_back(THREAD_run_async(triple, msg(i)));
	for (intptr_t i = 1; i <= 20; ++i) EXPECT_EQ(val(collect(calls[i - 1])), i * 3);

	// The last record handed back is the first given out again.
	THREAD_call* const again = THREAD_run_async(triple, msg(100));
	EXPECT_EQ(again, calls.back());
	EXPECT_EQ(val(collect(again)), 300);

	THREAD_shutdown();
	EXPECT_EQ(THREAD_is_inited(), 0);
	EXPECT_TRUE(worker_threads.empty());
	EXPECT_EQ(log_text(log), "CPU count = 3\nClean exit from threads.\n");
}

TEST_F(ThreadPool, OneWorkerPerProcessorAndNoneBelowOne)
{
	struct { int processors; size_t workers; } const cases[] = {{1, 1}, {0, 0}, {-1, 0}};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		start(c.processors);
		EXPECT_EQ(worker_threads.size(), c.workers) << c.processors;
		EXPECT_EQ(worker_threads_id.size(), c.workers);
		EXPECT_EQ(worker_threads_join.size(), c.workers);
		EXPECT_EQ(THREAD_is_inited(), 1) << c.processors;
		THREAD_shutdown();
		EXPECT_EQ(log_text(log),
		          "CPU count = " + std::to_string(c.processors) + "\nClean exit from threads.\n");
	}
}

TEST_F(ThreadPool, IsDoneWithZeroAndForeverTimeOuts)
{
	start(1);
	gated_work w;
	w.answer = 77;
	THREAD_call* const call = THREAD_run_async(wait_at_gate, &w);
	ASSERT_TRUE(w.started.wait(1));
	EXPECT_EQ(THREAD_is_done(call, 0), 0);
	auto const t0 = clk::now();
	EXPECT_EQ(THREAD_is_done(call, 50), 0);
	EXPECT_GE(clk::now() - t0, std::chrono::milliseconds(50));

	// Open the gate only once the collector is blocked on the reply.
	std::atomic<bool> saw_block{false};
	std::thread opener([&] {
		saw_block = wait_readers(call->reply, 1);
		w.gate.open();
	});
	EXPECT_EQ(THREAD_is_done(call, -1), 1);
	opener.join();
	EXPECT_TRUE(saw_block.load());
	EXPECT_EQ(val(call->result), 77);

	// Once done, the reply queue is left alone.
	UTL_message_queue_write(call->reply, msg(5));
	EXPECT_EQ(THREAD_is_done(call, 0), 1);
	EXPECT_EQ(val(UTL_message_queue_read(call->reply, 0)), 5);

	THREAD_cleanup(call);
	THREAD_shutdown();
}

TEST_F(ThreadPool, CookiesStepByFourAndSkipZeroWhenWrapping)
{
	struct { int start; int expect[3]; } const cases[] = {
	    {0, {4, 8, 12}},
	    {-8, {-4, 4, 8}},
	    {INT_MAX - 7, {INT_MAX - 3, INT_MIN, INT_MIN + 4}},
	};
	start(1);
	for (auto const& c : cases) {
		THREAD_set_next_cookie(c.start);
		for (int e : c.expect) {
			THREAD_call* const call = THREAD_run_async(triple, msg(1));
			EXPECT_EQ(call->cookie, e) << "from " << c.start;
			EXPECT_EQ(val(collect(call)), 3);
		}
	}
	THREAD_shutdown();
}

namespace {

// Shut-down check: with every worker held at the gate, the call queue holds
// exactly the end markers shut-down wrote.
struct {
	gated_work* work;
	int markers;
	int others;
} shutdown_seen;

void count_end_markers()
{
	while (void* const m = UTL_message_queue_read(call_queue, 0)) {
		if (m == THREAD_end_marker)
			++shutdown_seen.markers;
		else
			++shutdown_seen.others;
	}
	// Put back what the joins need, then let the workers go.
	for (size_t i = 0; i < worker_threads.size(); ++i) UTL_message_queue_write(call_queue, THREAD_end_marker);
	shutdown_seen.work->gate.open();
}

}  // namespace

TEST_F(ThreadPool, ShutdownWritesOneEndMarkerPerWorker)
{
	constexpr int n = 3;
	start(n);
	gated_work w;
	std::vector<THREAD_call*> calls;
	for (int i = 0; i < n; ++i) calls.push_back(THREAD_run_async(wait_at_gate, &w));
	ASSERT_TRUE(w.started.wait(n));

	shutdown_seen = {&w, 0, 0};
	THREAD_set_shutdown_hook(count_end_markers);
	THREAD_shutdown();
	EXPECT_EQ(shutdown_seen.markers, n);
	EXPECT_EQ(shutdown_seen.others, 0);
	EXPECT_EQ(THREAD_is_inited(), 0);
	EXPECT_EQ(log_text(log), "CPU count = 3\nClean exit from threads.\n");

	// Records still out at shut-down stay with their caller.
	for (THREAD_call* call : calls) {
		EXPECT_EQ(THREAD_is_done(call, 0), 1);
		UTL_message_queue_destroy(call->reply);
		UTL_critical_section_destroy(&call->lock);
		delete call;
	}
}

TEST_F(ThreadPoolDeath, CleanupBeforeDoneIsFatal)
{
	// No worker: the call never runs. One worker: it ran, but the collector
	// has not seen it finish.
	for (int processors : {0, 1}) {
		log = open_test_log(dir);
		EXPECT_EXIT(
		    {
			    start(processors);
			    latch_t ran;
			    THREAD_call* const call = THREAD_run_async(
			        [](void* p) -> void* {
				        static_cast<latch_t*>(p)->arrive();
				        return nullptr;
			        },
			        &ran);
			    if (processors) ran.wait(1);
			    THREAD_cleanup(call);
		    },
		    ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(log_text(log), "CPU count = " + std::to_string(processors) +
		                                   "\nThread cleanup called on not-done call.\n\n\n\n(hl_thread line 139)\n");
	}
}

namespace {

void* alert_on_worker(void*)
{
	__VEDEZE_alert(0, "w1", "w2", "", "w4", 1, "tman", 9);
	return msg(1);
}
void* throw_std(void*) { throw std::runtime_error("disk on fire"); }
void* throw_int(void*) { throw 42; }

}  // namespace

TEST_F(ThreadPoolDeath, WorkerExceptionBecomesFatalAlertOfItsCollector)
{
	struct { THREAD_fn fn; char const* lines; } const cases[] = {
	    {alert_on_worker, "w1\nw2\n\nw4\n"},
	    {throw_std, "Unexpected exception in a worker thread.\ndisk on fire\n\n\n"},
	    {throw_int, "Unexpected exception in a worker thread.\n\n\n\n"},
	};
	for (auto const& c : cases) {
		log = open_test_log(dir);
		EXPECT_EXIT(
		    {
			    alert_set_finish(finish_logging_scratch);
			    start(1);
			    THREAD_call* const bad = THREAD_run_async(c.fn, nullptr);
			    // One worker runs calls in order: once the second is done, the
			    // first has stored its exception.
			    collect(THREAD_run_async(triple, msg(1)));
			    THREAD_is_done(bad, 0);
			    _exit(0);
		    },
		    ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(log_text(log),
		          std::string("CPU count = 1\n") + c.lines + "(exce line 15)\nstl_global=\n");
	}
}

TEST_F(ThreadPoolDeath, ExceptionSeenByCleanupWhenIsDoneReturnedFirst)
{
	EXPECT_EXIT(
	    {
		    start(1);
		    gate_t gate;
		    THREAD_call* const call = THREAD_run_async(
		        [](void* p) -> void* {
			        static_cast<gate_t*>(p)->wait();
			        return alert_on_worker(nullptr);
		        },
		        &gate);
		    std::thread opener([&] {
			    wait_readers(call->reply, 1);
			    gate.open();
		    });
		    int const done = THREAD_is_done(call, -1);
		    opener.join();
		    if (done != 1) _exit(3);
		    THREAD_cleanup(call);
		    _exit(0);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(log_text(log), "CPU count = 1\nw1\nw2\n\nw4\n(exce line 15)\n");
}

TEST_F(ThreadPoolDeath, FailedCallOnWorkerTravelsBackWithoutScratchText)
{
	pthread_mutex_t m;
	errorcheck_mutex(&m);
	EXPECT_EXIT(
	    {
		    alert_set_finish(finish_logging_scratch);
		    start(1);
		    THREAD_call* const call = THREAD_run_async(lock_twice, &m);
		    while (!THREAD_is_done(call, -1)) {}
		    THREAD_cleanup(call);
		    _exit(0);
	    },
	    ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(log_text(log), "CPU count = 1\n" + k_lock_failure + "(exce line 15)\nstl_global=\n");
}

// ---- memory pool --------------------------------------------------------------------------
TEST(ThreadMempool, DumpsItsTotalsAndFreesItsChain)
{
	temp_dir dir;
	std::string const log = open_test_log(dir);
	{
		UTL_lazy_mempool pool;
		pool.dump();
		pool.total_allocated = 4096;
		pool.total_wasted = 12;
		pool.total_ready = 300;
		for (int i = 0; i < 3; ++i) {
			void** const block = static_cast<void**>(malloc(64));
			*block = pool.blocks;
			pool.blocks = block;
		}
		pool.dump();
	}
	EXPECT_EQ(log_text(log),
	          "Total memory allocated: 0\nTotal wasted memory: 0\nTotal ready memory: 0\n"
	          "Total memory allocated: 4096\nTotal wasted memory: 12\nTotal ready memory: 300\n");
}
