// Changes the current directory for the object's lifetime. The current
// directory is the whole process's, so every thread sees the change.
#pragma once

#include <string>

class tk_temp_chdir {
public:
    // An empty folder means the program's folder.
    explicit tk_temp_chdir(const std::string& folder);
    ~tk_temp_chdir();
    tk_temp_chdir(const tk_temp_chdir&) = delete;
    tk_temp_chdir& operator=(const tk_temp_chdir&) = delete;

    bool is_changed() const { return m_changed; }

private:
    bool m_changed = false;
    std::string m_previous;
};
