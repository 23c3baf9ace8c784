// Runs dyskel-cli as a process and keeps what it printed.
#pragma once

#include <string>
#include <vector>

namespace dyskel::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built dyskel-cli with args (no shell), in the folder cwd when
// given; stdout and stderr are captured whole.
CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd = {});

} // namespace dyskel::test
