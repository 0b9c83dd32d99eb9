#pragma once
// Puts an environment variable back as it was when the test ends.

#include <cstdlib>
#include <optional>
#include <string>

namespace torvane::test {

class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) value_ = v;
    }
    // Saves the variable and sets it for the test.
    SavedVariable(const char* name, const std::string& value) : SavedVariable(name) {
        ::setenv(name, value.c_str(), 1);
    }
    ~SavedVariable() {
        if (value_)
            ::setenv(name_, value_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    SavedVariable(const SavedVariable&) = delete;
    SavedVariable& operator=(const SavedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> value_;
};

} // namespace torvane::test
