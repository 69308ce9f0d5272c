// Free space of a folder's volume, the folder existing or not yet.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include "platform/volume_space.h"
#include "support/alert_recorder.h"

namespace {

TEST(VolumeSpace, NearestExistingFolderCounts)
{
	temp_dir dir;
	mkdir((dir.path() + "a").c_str(), 0755);
	write_text_file(dir.path() + "a/file", "x");
	struct statvfs st;
	ASSERT_EQ(statvfs(dir.path().c_str(), &st), 0);
	double const free_here = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);

	struct {
		std::string path;
		bool known;
	} const cases[] = {
	    {dir.path(), true},
	    {dir.path() + "a/", true},
	    {dir.path() + "Skyrell/", true},           // a new copy's folder, not made yet
	    {dir.path() + "new/deeper/Skyrell/", true},
	    {dir.path() + "a/file/Skyrell/", true},    // a file where a folder would go
	    {dir.path() + "a//", true},
	    {"", false},
	};
	for (auto const& c : cases) {
		double const got = PLT_free_bytes(c.path);
		if (!c.known) {
			EXPECT_EQ(got, -1) << c.path;
			continue;
		}
		// Other programs write meanwhile: the same volume within a few MB.
		EXPECT_NEAR(got, free_here, 64e6) << c.path;
		EXPECT_GT(got, 0) << c.path;
	}
	// A relative path is taken from the working folder.
	EXPECT_GT(PLT_free_bytes("no such folder here/x/"), 0);
}

}  // namespace
