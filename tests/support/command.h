// Shell commands run from tests, their output collected.
#pragma once

#include <string>

struct command_output {
    int status;         // the exit status, -1 if the command did not exit
    std::string output; // what it wrote on stdout and stderr
};

command_output run_command(const std::string &command);
