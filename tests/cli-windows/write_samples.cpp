// Writes the sample projects of the configuration tests as configuration files, one per target
// (NAME.ini, NAME.inf, NAME.bat), into the folder given: inputs that set every setting for the
// comparison of qvr.exe with qvr.
#include "SampleProjects.h"
#include "config/ConfigWriter.h"

#include <fstream>
#include <iostream>
#include <string>
#include <utility>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: write_samples FOLDER\n";
        return 2;
    }
    const std::pair<const char*, qv::ProjectSettings> samples[] = {
        {"worked", qv::test::WorkedExample()},
        {"everything", qv::test::Everything()},
    };
    const char* extensions[] = {".ini", ".inf", ".bat"};
    for (const auto& [name, project] : samples) {
        for (int target = 0; target < 3; ++target) {
            const std::string path = std::string(argv[1]) + "/" + name + extensions[target];
            std::ofstream out(path, std::ios::binary);
            out << qv::ConfigFileBytes(qv::BuildConfiguration(project, target).configText, target);
            if (!out.flush()) {
                std::cerr << "cannot write " << path << '\n';
                return 1;
            }
        }
    }
    return 0;
}
