#include <gtest/gtest.h>

#include <string>

#include "platform/paths.h"

namespace {

// "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their second byte has the code of "\" and must never
// split a path.
struct PathCase {
  std::string path;
  std::string folder;
  std::string name;
  std::string with_dat;  // WithExtension(path, ".dat")
  std::string with_txt;  // WithDefaultExtension(path, ".txt")
};

const PathCase kPathCases[] = {
    {"C:\\表\\a.jww", "C:\\表\\", "a.jww", "C:\\表\\a.dat", "C:\\表\\a.jww"},
    {"C:\\jww\\表", "C:\\jww\\", "表", "C:\\jww\\表.dat", "C:\\jww\\表.txt"},
    {"C:\\ソ\\ソ", "C:\\ソ\\", "ソ", "C:\\ソ\\ソ.dat", "C:\\ソ\\ソ.txt"},
    {"C:\\dir\\表.csv", "C:\\dir\\", "表.csv", "C:\\dir\\表.dat", "C:\\dir\\表.csv"},
    // A dot in a folder is no extension of the file.
    {"C:\\v1.2\\prog", "C:\\v1.2\\", "prog", "C:\\v1.2\\prog.dat", "C:\\v1.2\\prog.txt"},
    {"C:\\x.y\\表", "C:\\x.y\\", "表", "C:\\x.y\\表.dat", "C:\\x.y\\表.txt"},
    {"C:/v1.2/prog", "C:/v1.2/", "prog", "C:/v1.2/prog.dat", "C:/v1.2/prog.txt"},
    {"/tmp/x.d/log", "/tmp/x.d/", "log", "/tmp/x.d/log.dat", "/tmp/x.d/log.txt"},
    {"D:log", "D:", "log", "D:log.dat", "D:log.txt"},
    {"D:x.y", "D:", "x.y", "D:x.dat", "D:x.y"},
    // No folder; a trailing dot is an empty extension.
    {"a.jww", "", "a.jww", "a.dat", "a.jww"},
    {"log.", "", "log.", "log.dat", "log."},
    {"C:a.jww", "C:", "a.jww", "C:a.dat", "C:a.jww"},
    {"\\a.jww", "\\", "a.jww", "\\a.dat", "\\a.jww"},
    {"Lumadex.tar.gz", "", "Lumadex.tar.gz", "Lumadex.tar.dat", "Lumadex.tar.gz"},
    // Only a folder.
    {"C:\\data\\", "C:\\data\\", "", "C:\\data\\.dat", "C:\\data\\.txt"},
};

TEST(Paths, SplitAndExtensionFollowWindowsSeparatorsAndWholeCharacters) {
  for (const PathCase& c : kPathCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(paths::FolderPart(c.path), c.folder);
    EXPECT_EQ(paths::FileNamePart(c.path), c.name);
    EXPECT_EQ(paths::FolderPart(c.path) + paths::FileNamePart(c.path), c.path);
    EXPECT_EQ(paths::EndsInSeparator(c.path), c.name.empty());
    EXPECT_EQ(paths::WithExtension(c.path, ".dat"), c.with_dat);
    EXPECT_EQ(paths::WithDefaultExtension(c.path, ".txt"), c.with_txt);
  }
}

}  // namespace
