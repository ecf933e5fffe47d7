// The two kinds of failure the exporter reports, told apart by their exit codes.
#pragma once

#include <stdexcept>

// Something wrong with the command line itself.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A well-formed request that could not be carried out (file, picture size, memory, output).
class RenderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
