// Shell commands run through popen, stderr joined to stdout.
#include "command.h"

#include <sys/wait.h>

#include <cstdio>

command_output run_command(const std::string &command) {
    command_output o{-1, ""};
    std::FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return o;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        o.output.append(buffer, n);
    const int status = pclose(p);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}
