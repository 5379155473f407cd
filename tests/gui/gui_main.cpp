#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Each test program works in a folder of its own: the logger autosaves into the working
    // directory, and
    // tests run side by side. A test's child process (a death test) works in its parent's.
    namespace fs = std::filesystem;
    const char* given = std::getenv("KOLB_GUI_TEST_DIR");
    std::string dir = given ? given : (fs::temp_directory_path() / "kolb-gui-XXXXXX").string();
    const bool own = !given && ::mkdtemp(dir.data()) != nullptr;
    if (own) ::setenv("KOLB_GUI_TEST_DIR", dir.c_str(), 1);
    if (own || given) fs::current_path(dir);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (own) {
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        fs::remove_all(dir, ignored);
    }
    return result;
}
