// HTTP client without a network: the proxy choice and the fatal alerts for
// calls that break the slot and path conventions.
#include <gtest/gtest.h>

#include <string>

#include "foundation/app_globals.h"
#include "foundation/http.h"
#include "support/alert_recorder.h"
#include "support/logged_test.h"

namespace {

TEST(HttpProxy, ChoiceByHostPortAndExclusions)
{
	struct {
		char const* host;
		int port;
		std::vector<std::string> exclude;
		char const* server;
		bool use;
	} const cases[] = {
		{"", 8080, {}, "files.example.test", false},
		{"proxy.test", 0, {}, "files.example.test", false},
		{"proxy.test", 8080, {}, "files.example.test", true},
		{"proxy.test", 8080, {"example.test"}, "files.example.test", false},
		{"proxy.test", 8080, {"other.test", ".test"}, "files.example.test", false},
		{"proxy.test", 8080, {"longer.files.example.test"}, "files.example.test", true},
		{"proxy.test", 8080, {"example"}, "files.example.test", true},
		// Ports that are no port at all mean no proxy.
		{"proxy.test", -1, {}, "files.example.test", false},
		{"proxy.test", 65536, {}, "files.example.test", false},
		{"proxy.test", 65535, {}, "files.example.test", true},
	};
	for (auto const& c : cases) {
		http.proxy_host = c.host;
		http.proxy_port_int = c.port;
		gProxyExclude = c.exclude;
		SCOPED_TRACE(std::string(c.host) + ":" + std::to_string(c.port) + " " + c.server);
		EXPECT_EQ(UseProxy(c.server, 80), c.use);
		EXPECT_STREQ(ProxyHost(c.server, 80), c.use ? c.host : c.server);
		EXPECT_EQ(ProxyPort(c.server, 80), c.use ? c.port : 80);
	}
}

struct HttpAlertDeathTest : logged_test {
	void SetUp() override
	{
		logged_test::SetUp();
		ogl_inited = 0;
		app_path = dir.path();
	}
};

TEST_F(HttpAlertDeathTest, SlotOutOfRangeIsFatal)
{
	for (int slot : {-1, 6}) {
		log = open_test_log(dir);
		EXPECT_EXIT(http.net_check(slot, "host", "/f", "f"), ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(read_text_file(log).rfind("Too many download objects requested!\n\n\n\n(http line ", 0), 0u)
		    << read_text_file(log);
	}
}

TEST_F(HttpAlertDeathTest, ServerEndingInDirCharIsFatal)
{
	for (char const* server : {"host/", "host\\", "host:"}) {
		log = open_test_log(dir);
		EXPECT_EXIT(http.net_check(0, server, "/f", "f"), ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(read_text_file(log).rfind("net_check error! You have a dirchar at the end of the server name!\n"
		                                    "You should not!\n"
		                                    "Our convention is that a server name is simply a server name... with no "
		                                    "slash!\n" +
		                                        std::string(server) + "\n(http line ",
		                                    0),
		          0u)
		    << read_text_file(log);
	}
}

TEST_F(HttpAlertDeathTest, PathWithoutLeadingDirCharIsFatal)
{
	for (char const* file : {"f", ""}) {
		log = open_test_log(dir);
		EXPECT_EXIT(http.net_check(0, "host", file, "f"), ::testing::ExitedWithCode(1), "");
		EXPECT_EQ(read_text_file(log).rfind(
		              "net_check error! You do not have a dirchar at the beginning of the directory name!\n"
		              "You should!\n"
		              "Our convention is that a directory name does start with a slash because it must include the "
		              "hard drive,which is a dir char on unix!\n" +
		                  std::string(file) + "\n(http line ",
		              0),
		          0u)
		    << read_text_file(log);
	}
}

}  // namespace
