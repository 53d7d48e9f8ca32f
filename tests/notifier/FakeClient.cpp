// Stands in for the client in the notifier's tests: it notes, in a file next to itself,
// the folder it was started in and how many arguments it got, then ends.
#include <filesystem>
#include <fstream>

int main(int argc, char *argv[])
{
    (void)argv;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::filesystem::path marker = self.parent_path() / "client-started";
    // Written aside and renamed, so that the marker is whole once it is there at all.
    {
        std::ofstream out(marker.string() + ".part");
        out << std::filesystem::current_path().string() << '\n' << (argc - 1) << '\n';
    }
    std::filesystem::rename(marker.string() + ".part", marker);
    return 0;
}
