// Folder listings as a file picker shows them: the order of names, hidden entries, links, and
// what is neither a folder nor a file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/FolderListing.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"

using fotaro::test::TempDir;
using platform::FolderEntry;

TEST(FolderListingTest, NamesSortByLetterIgnoringCaseAndByTheValueOfNumbers) {
  std::vector<std::string> names{"img_10.jpg", "b", "IMG_2.jpg", "img_002.jpg", "A", "img_1a", "img_1", "中文", "9"};
  std::sort(names.begin(), names.end(), platform::NameLess);
  EXPECT_EQ(names, (std::vector<std::string>{"9", "A", "b", "img_1", "img_1a", "IMG_2.jpg", "img_002.jpg", "img_10.jpg",
                                             "中文"}));
  // A strict order: equal names are not less, numbers far too long for any integer still compare.
  EXPECT_FALSE(platform::NameLess("x", "x"));
  EXPECT_TRUE(platform::NameLess("p99999999999999999999999", "p100000000000000000000000"));
}

TEST(FolderListingTest, ListsFoldersAndFilesWithoutHiddenOnesFollowingLinks) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("z").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file(".hidden").c_str(), 0755), 0);
  fotaro::test::WriteFile(dir.file("y.txt"), {1, 2, 3});
  fotaro::test::WriteFile(dir.file(".profile"), {1});
  ASSERT_EQ(symlink(dir.file("z").c_str(), dir.file("link to z").c_str()), 0);
  ASSERT_EQ(symlink(dir.file("nowhere").c_str(), dir.file("broken").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(platform::ListFolder(dir.path(), &entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "link to z");
  EXPECT_TRUE(entries[0].folder);
  EXPECT_EQ(entries[1].name, "y.txt");
  EXPECT_FALSE(entries[1].folder);
  EXPECT_EQ(entries[1].size, 3);
  EXPECT_EQ(entries[2].name, "z");

  EXPECT_TRUE(platform::HasSubfolder(dir.path()));
  EXPECT_FALSE(platform::HasSubfolder(dir.file("z")));      // empty
  ASSERT_EQ(rmdir(dir.file("z").c_str()), 0);
  EXPECT_FALSE(platform::HasSubfolder(dir.path()));         // a hidden folder and a broken link only

  int error = 0;
  EXPECT_FALSE(platform::ListFolder(dir.file("missing"), &entries, &error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_TRUE(entries.empty());
}
