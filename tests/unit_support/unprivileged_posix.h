// unprivileged_posix.h -- runs part of a test as a user without privileges,
// so that refusals by permission bits are tested also when the tests run as
// root, who may read and write any file.
#pragma once

#include <functional>
#include <string>

// Runs `run` in a child process as the user and group nobody (65534) when
// this process is root, in this process otherwise, and returns what `run`
// returned; when the child cannot become nobody or dies, a line saying so.
std::string AsUnprivilegedUser(const std::function<std::string()>& run);
