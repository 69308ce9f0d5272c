// TCP sockets on loopback: status progression, release and reset from either
// side, refused connections, flow control and the listener's accept.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/rivo_socket.h"

namespace {

const unsigned long loopback = INADDR_LOOPBACK;

// Polls until `done` holds or five seconds pass; answers whether it held.
bool wait_for(std::function<bool()> const& done)
{
	auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
	while (!done()) {
		if (std::chrono::steady_clock::now() > until)
			return false;
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	return true;
}

uint16_t local_port_of(RIVOSocket& s)
{
	RIVOSocket::ConnectionData cd{};
	s.GetAddresses(&cd);
	return cd.local_port;
}

// Reads whatever arrives within the bound until `want` bytes are in.
std::string read_exactly(RIVOSocket& s, size_t want)
{
	std::string got;
	std::vector<char> buf(65536);
	wait_for([&] {
		long n = s.ReadData(buf.data(), static_cast<long>(buf.size()));
		if (n > 0)
			got.append(buf.data(), static_cast<size_t>(n));
		return got.size() >= want || n == -1 || n == -2 || n == -4;
	});
	return got;
}

class SocketTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		ASSERT_TRUE(RIVOSocket::StartupNetworking(true));
		listener = std::make_unique<RIVOSocket>(0, true, loopback);
		ASSERT_EQ(listener->GetStatus(), 1);
		port = local_port_of(*listener);
		ASSERT_NE(port, 0);
	}
	// Each test starts the name service itself; one left running would hide
	// what a later test checks before its start-up.
	void TearDown() override { RIVOSocket::ShutdownNetworking(true); }

	// A connected client and the listener's side of it.
	void connect_pair()
	{
		client = std::make_unique<RIVOSocket>(0, false);
		client->Connect(loopback, port);
		ASSERT_TRUE(wait_for([&] { return client->GetStatus() != 2; }));
		ASSERT_EQ(client->GetStatus(), 3);
		RIVOSocket* s = nullptr;
		ASSERT_TRUE(wait_for([&] { return (s = listener->Accept()) != nullptr; }));
		server.reset(s);
		ASSERT_EQ(server->GetStatus(), 3);
	}

	std::unique_ptr<RIVOSocket> listener, client, server;
	uint16_t port = 0;
};

TEST_F(SocketTest, StatusGoesIdleConnectingConnectedClosed)
{
	client = std::make_unique<RIVOSocket>(0, false);
	EXPECT_EQ(client->GetStatus(), 1);
	client->Connect(loopback, port);
	std::vector<int> seen;
	ASSERT_TRUE(wait_for([&] {
		int st = client->GetStatus();
		if (seen.empty() || seen.back() != st)
			seen.push_back(st);
		return st != 2;
	}));
	// Loopback may finish the handshake before the first look.
	if (seen.front() == 2)
		seen.erase(seen.begin());
	EXPECT_EQ(seen, std::vector<int>{3});

	RIVOSocket* s = nullptr;
	ASSERT_TRUE(wait_for([&] { return (s = listener->Accept()) != nullptr; }));
	server.reset(s);

	RIVOSocket::ConnectionData c{}, v{};
	client->GetAddresses(&c);
	server->GetAddresses(&v);
	EXPECT_EQ(c.remote_host, loopback);
	EXPECT_EQ(c.remote_port, port);
	EXPECT_EQ(v.remote_port, c.local_port);
	EXPECT_EQ(v.local_port, port);

	EXPECT_EQ(server->WriteData("hello", 5), 5);
	EXPECT_EQ(read_exactly(*client, 5), "hello");

	client->Disconnect();
	EXPECT_EQ(client->GetStatus(), 4);
	client->GetAddresses(&c);
	EXPECT_EQ(c.remote_host, 0u);
	EXPECT_EQ(c.remote_port, 0);
	EXPECT_EQ(client->GetOSError(), 0);
	EXPECT_EQ(client->ReadData(&c, sizeof(c)), -2);
	EXPECT_EQ(client->WriteData("x", 1), -1);
}

TEST_F(SocketTest, ReadWithNoDataSaysNothingYet)
{
	connect_pair();
	char buf[16];
	EXPECT_EQ(client->ReadData(buf, sizeof(buf)), -3);
	EXPECT_EQ(client->GetOSError(), 0);
	EXPECT_EQ(client->GetStatus(), 3);
	EXPECT_FALSE(client->ReceivedRelease());
}

TEST_F(SocketTest, PeerReleaseStillCountsAsConnected)
{
	connect_pair();
	ASSERT_EQ(server->WriteData("tail", 4), 4);
	server->Release();
	EXPECT_EQ(server->GetStatus(), 3);

	// The data before the release is read first, then the release shows.
	EXPECT_EQ(read_exactly(*client, 4), "tail");
	char buf[16];
	ASSERT_TRUE(wait_for([&] { return client->ReadData(buf, sizeof(buf)) == -1; }));
	EXPECT_TRUE(client->ReceivedRelease());
	EXPECT_EQ(client->GetStatus(), 3);
	EXPECT_EQ(client->GetOSError(), 0);

	// Half open: the other direction still carries data.
	EXPECT_EQ(client->WriteData("back", 4), 4);
	EXPECT_EQ(read_exactly(*server, 4), "back");

	// Both sides released: closed on both ends.
	client->Release();
	EXPECT_EQ(client->GetStatus(), 4);
	ASSERT_TRUE(wait_for([&] { return server->GetStatus() != 3; }));
	EXPECT_EQ(server->GetStatus(), 4);
	EXPECT_EQ(server->GetOSError(), 0);
}

TEST_F(SocketTest, PeerResetClosesWithoutError)
{
	connect_pair();
	server->Disconnect();
	EXPECT_EQ(server->GetStatus(), 4);
	ASSERT_TRUE(wait_for([&] { return client->GetStatus() != 3; }));
	EXPECT_EQ(client->GetStatus(), 4);
	EXPECT_EQ(client->GetOSError(), 0);
	char buf[4];
	EXPECT_EQ(client->ReadData(buf, sizeof(buf)), -2);
	EXPECT_FALSE(client->ReceivedRelease());
}

TEST_F(SocketTest, ResetAfterReleaseStillCloses)
{
	connect_pair();
	server->Release();
	char buf[4];
	ASSERT_TRUE(wait_for([&] { return client->ReadData(buf, sizeof(buf)) == -1; }));
	server.reset();  // close(): the rest of the connection is gone
	// Writing to a closed peer draws its reset.
	ASSERT_TRUE(wait_for([&] {
		client->WriteData("x", 1);
		return client->GetStatus() != 3;
	}));
	EXPECT_EQ(client->GetStatus(), 4);
	EXPECT_EQ(client->GetOSError(), 0);
}

TEST_F(SocketTest, WriteAfterResetFailsWithoutSignal)
{
	signal(SIGPIPE, SIG_DFL);  // a stray SIGPIPE would end this test's process
	connect_pair();
	server->Disconnect();
	// No look at the status first: the write itself meets the reset.
	long r = 0;
	ASSERT_TRUE(wait_for([&] { return (r = client->WriteData("data", 4)) != 4; }));
	EXPECT_EQ(r, -1);
	EXPECT_EQ(client->WriteData("data", 4), -1);
	EXPECT_EQ(client->GetStatus(), 4);
	EXPECT_EQ(client->GetOSError(), 0);
}

TEST_F(SocketTest, RefusedConnectionNeverConnects)
{
	// A bound socket that does not listen holds the port and refuses.
	RIVOSocket holder(0, false, loopback);
	ASSERT_EQ(holder.GetStatus(), 1);
	client = std::make_unique<RIVOSocket>(0, false);
	client->Connect(loopback, local_port_of(holder));
	bool ever_connected = false;
	ASSERT_TRUE(wait_for([&] {
		int st = client->GetStatus();
		ever_connected |= (st == 3);
		return st != 2;
	}));
	EXPECT_FALSE(ever_connected);
	EXPECT_EQ(client->GetStatus(), 4);
	EXPECT_EQ(client->GetOSError(), 0);
}

TEST_F(SocketTest, DisconnectTwiceAndReconnect)
{
	connect_pair();
	client->Disconnect();
	client->Disconnect();
	EXPECT_EQ(client->GetStatus(), 4);
	EXPECT_EQ(client->GetOSError(), 0);
	ASSERT_TRUE(wait_for([&] { return server->GetStatus() != 3; }));
	EXPECT_EQ(server->GetStatus(), 4);

	// A socket is never connected again.
	client->Connect(loopback, port);
	EXPECT_EQ(client->GetOSError(), kErrNetReconnect);
	EXPECT_EQ(client->GetStatus(), 5);
}

TEST_F(SocketTest, ConnectWhileConnectedIsABadState)
{
	connect_pair();
	client->Connect(loopback, port);
	EXPECT_EQ(client->GetOSError(), kErrNetBadState);
	EXPECT_EQ(client->GetStatus(), 5);
}

TEST_F(SocketTest, FlowControlGivesZeroAndLosesNothing)
{
	connect_pair();
	// The peer reads nothing until the sender is held back.
	std::vector<char> chunk(65536);
	std::string sent;
	size_t const cap = 64u << 20;
	long r = 1;
	while (r > 0 && sent.size() < cap) {
		for (size_t i = 0; i < chunk.size(); i++)
			chunk[i] = static_cast<char>((sent.size() + i) * 7 / 5);
		r = client->WriteData(chunk.data(), static_cast<long>(chunk.size()));
		if (r > 0)
			sent.append(chunk.data(), static_cast<size_t>(r));
	}
	ASSERT_EQ(r, 0) << "sender never held back after " << sent.size() << " bytes";
	EXPECT_EQ(client->GetStatus(), 3);
	EXPECT_EQ(client->GetOSError(), 0);

	// Once the peer drains, the sender goes on.
	std::string got = read_exactly(*server, sent.size());
	EXPECT_EQ(got.size(), sent.size());
	EXPECT_TRUE(got == sent);
	EXPECT_GT(client->WriteData("more", 4), 0);
}

TEST_F(SocketTest, AcceptWithNothingPending)
{
	EXPECT_EQ(listener->Accept(), nullptr);
	EXPECT_EQ(listener->Accept(), nullptr);
	EXPECT_EQ(listener->GetStatus(), 1);
	// The listener still takes the next connection.
	connect_pair();
	EXPECT_EQ(listener->Accept(), nullptr);
}

TEST_F(SocketTest, FailedBindReportsError)
{
	// The listener's port is taken.
	RIVOSocket second(port, true, loopback);
	EXPECT_EQ(second.GetStatus(), 5);
	EXPECT_EQ(second.GetOSError(), EADDRINUSE);
	char buf[4];
	EXPECT_EQ(second.ReadData(buf, sizeof(buf)), -2);
	EXPECT_EQ(second.WriteData(buf, sizeof(buf)), -1);
	EXPECT_EQ(second.Accept(), nullptr);
}

TEST(SocketLookup, NamesAndDottedAddresses)
{
	EXPECT_EQ(RIVOSocket::LookupAddress("127.0.0.1"), 0u) << "no name service before start-up";
	ASSERT_TRUE(RIVOSocket::StartupNetworking(true));
	struct {
		char const* name;
		unsigned long want;
	} const cases[] = {
		{"127.0.0.1", INADDR_LOOPBACK},
		{"localhost", INADDR_LOOPBACK},
		{"no-such-host.invalid", 0},
		{"", 0},
		{nullptr, 0},
	};
	for (auto const& c : cases)
		EXPECT_EQ(RIVOSocket::LookupAddress(c.name), c.want) << (c.name ? c.name : "(null)");
	RIVOSocket::ShutdownNetworking(true);
	EXPECT_EQ(RIVOSocket::LookupAddress("127.0.0.1"), 0u);
}

}  // namespace
