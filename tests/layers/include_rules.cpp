// Reads every #include "..." in src/ and tools/ and fails for each one that
// points sideways or up the rows of folders below (keep in step with README,
// "Layout"). tools/ sits above all rows.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, int> kRows = {
    {"platform", 0},
    {"core", 1}, {"store", 1},
    {"ui", 2}, {"report", 2},
    {"device", 3}, {"shooters", 3},
    {"runkit", 4},
    {"reaction", 5}, {"curves", 5}, {"evaluation", 5},
    {"app", 6},
};
const int kToolsRow = 7;

bool isSource(const fs::path &p)
{
    const std::string ext = p.extension().string();
    return ext == ".cpp" || ext == ".h" || ext == ".in";
}

// Checks one file; returns the number of bad includes.
int checkFile(const fs::path &file, const std::string &shown, int row, const std::string &folder)
{
    static const std::regex include(R"(^\s*#\s*include\s*"([^"/]+)/[^"]*")");
    std::ifstream in(file);
    std::string line;
    int lineNo = 0;
    int bad = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        std::smatch m;
        if (!std::regex_search(line, m, include))
            continue;
        const std::string target = m[1];
        const auto it = kRows.find(target);
        if (it == kRows.end())
            continue;  // not a src folder (tests' or tools' own headers)
        if (target == folder || it->second < row)
            continue;
        std::cout << shown << ':' << lineNo << ": " << folder << "/ (row " << row << ") includes "
                  << target << "/ (row " << it->second << ")"
                  << (it->second == row ? ", a folder on its own row" : ", a folder above it") << '\n';
        ++bad;
    }
    return bad;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: include_rules <source dir>\n";
        return 2;
    }
    const fs::path root = argv[1];
    int bad = 0;
    int files = 0;
    for (const char *top : {"src", "tools"}) {
        const fs::path dir = root / top;
        if (!fs::is_directory(dir)) {
            std::cout << dir.string() << ": missing\n";
            return 1;
        }
        for (const auto &entry : fs::recursive_directory_iterator(dir)) {
            if (!entry.is_regular_file() || !isSource(entry.path()))
                continue;
            const fs::path rel = fs::relative(entry.path(), root);
            std::string folder = "tools";
            int row = kToolsRow;
            if (std::string(top) == "src") {
                auto part = rel.begin();
                ++part;
                folder = part->string();
                const auto it = kRows.find(folder);
                if (it == kRows.end() || std::next(part) == rel.end()) {
                    std::cout << rel.string() << ": not in a folder of the rows\n";
                    ++bad;
                    continue;
                }
                row = it->second;
            }
            ++files;
            bad += checkFile(entry.path(), rel.string(), row, folder);
        }
    }
    std::cout << files << " files read, " << bad << " include(s) against the rows\n";
    return bad == 0 ? 0 : 1;
}
