// Loading and saving markup files: what counts as a readable file, and that a failed save
// never costs the previous file.

#include "markup/MLParse.h"
#include "markup/ReferenceParser.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvo;
using korvo::testing::DescribeTree;
namespace fs = std::filesystem;

namespace {

class TTempFolder {
public:
    TTempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "korvo-markup-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TTempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string operator/(std::string_view name) const { return (m_path / name).string(); }
    // Every name in the folder, sorted.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path m_path;
};

void WriteBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TMLTag SampleProject(int images)
{
    TMLTag root("Korvo2Project");
    root.AddAttribute("Version", "2.0.1.1");
    TMLTag& list = root.NewChild("ImageList");
    list.AddAttribute("Count", std::to_string(images));
    list.NewChild("Category");
    TMLTag& category = list.NewChild("Category");
    category.AddAttribute("Name", "Urlaub & \"Ferien\" <2024>");
    for (int i = 0; i < images; ++i) {
        TMLTag& image = category.NewChild("Image");
        image.AddAttribute("Source", "/home/user/Bilder/IMG_" + std::to_string(i) + ".jpg");
        image.AddAttribute("Active", "yes");
        image.AddAttribute("Rotate", "90CW");
        image.AddAttribute("Caption", "Zurück am Strand\tmit = und /");
    }
    return root;
}

using Names = std::vector<std::string>;

} // namespace

TEST(MarkupFile, LoadReadsWholeRegularFilesOnly)
{
    TTempFolder folder;
    TMLTag document;
    document.NewChild("already");
    EXPECT_FALSE(document.LoadFromFile(folder / "missing.kv2"));
    EXPECT_FALSE(document.LoadFromFile(folder / ""));
    EXPECT_EQ(document.ChildCount(), 1);

    WriteBytes(folder / "empty.kv2", "");
    EXPECT_TRUE(document.LoadFromFile(folder / "empty.kv2"));
    WriteBytes(folder / "plain.kv2", "no markup here > at all");
    EXPECT_TRUE(document.LoadFromFile(folder / "plain.kv2"));
    EXPECT_EQ(document.ChildCount(), 1);

    WriteBytes(folder / "two.kv2", "<?xml version=\"1.0\"?>\r\n<a/><b x=\"\xe4\"></b>");
    EXPECT_TRUE(document.LoadFromFile(folder / "two.kv2"));
    ASSERT_EQ(document.ChildCount(), 3); // appended after what was there
    EXPECT_EQ(document.Child(2)->GetAttribute("x"), "\xe4"); // bytes are taken as they are

    // A file larger than the limit is refused before it is read (this one is sparse).
    const std::string huge = folder / "huge.kv2";
    WriteBytes(huge, "<a/>");
    fs::resize_file(huge, TMLTag::MaxFileSize + 1);
    EXPECT_FALSE(document.LoadFromFile(huge));
    EXPECT_EQ(document.ChildCount(), 3);
}

TEST(MarkupFile, SaveWritesTheTextAndLoadsBack)
{
    TTempFolder folder;
    const TMLTag project = SampleProject(3);
    const std::string path = folder / "album.kv2";
    ASSERT_TRUE(project.SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), project.ToText(0));
    EXPECT_EQ(folder.Names(), (Names { "album.kv2" })); // no helper file left behind

    TMLTag document;
    ASSERT_TRUE(document.LoadFromFile(path));
    ASSERT_EQ(document.ChildCount(), 1);
    EXPECT_EQ(DescribeTree(*document.Child(0)), DescribeTree(project));
}

TEST(MarkupFile, SaveReplacesTheFileKeepingItsPermissionsAndLinks)
{
    TTempFolder folder;
    const std::string path = folder / "album.kv2";
    WriteBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(SampleProject(1).SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), SampleProject(1).ToText(0));
    struct stat status { };
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    // Saving through a symbolic link replaces the file it points to and keeps the link.
    const std::string link = folder / "link.kv2";
    fs::create_symlink(path, link);
    ASSERT_TRUE(SampleProject(2).SaveToFile(link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(path), SampleProject(2).ToText(0));
    EXPECT_EQ(folder.Names(), (Names { "album.kv2", "link.kv2" }));
}

TEST(MarkupFile, FailedSaveLeavesEverythingAsItWas)
{
    TTempFolder folder;
    const TMLTag project = SampleProject(2);

    // The target is a folder.
    const std::string target = folder / "album.kv2";
    fs::create_directory(target);
    WriteBytes(target + "/inside.txt", "keep");
    EXPECT_FALSE(project.SaveToFile(target));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(ReadBytes(target + "/inside.txt"), "keep");

    // The target is a named pipe: it is neither written to nor replaced.
    const std::string pipe = folder / "pipe.kv2";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(project.SaveToFile(pipe));
    EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
    TMLTag document;
    EXPECT_FALSE(document.LoadFromFile(pipe)); // nor does loading wait for a writer

    // The folder of the target does not exist, or the name is no file name.
    EXPECT_FALSE(project.SaveToFile(folder / "missing/album.kv2"));
    EXPECT_FALSE(project.SaveToFile(folder / ""));
    EXPECT_EQ(folder.Names(), (Names { "album.kv2", "pipe.kv2" }));
}

TEST(MarkupFile, SaveThatRunsOutOfSpaceKeepsTheOldFile)
{
    TTempFolder folder;
    const std::string path = folder / "album.kv2";
    const std::string old = SampleProject(1).ToText(0);
    WriteBytes(path, old);
    const TMLTag project = SampleProject(500);
    ASSERT_GT(project.ToText(0).size(), 20000u);

    // A child process may write no file beyond 10,000 bytes: the save fails in the middle of
    // writing, as on a full disk.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 10000, 10000 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(project.SaveToFile(path) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), (Names { "album.kv2" }));

    // Without the limit the same save works.
    EXPECT_TRUE(project.SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), project.ToText(0));
}
