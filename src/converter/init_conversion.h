// The time frame of one conversion run: the start and end lines of the
// conversion log, COM for the running thread, the wizard's progress timer,
// and the finished flag that is set whenever the run leaves.
#pragma once

#include <atomic>

class init_conversion {
public:
    init_conversion(std::atomic<bool>& finished, bool no_com);
    ~init_conversion();
    init_conversion(const init_conversion&) = delete;
    init_conversion& operator=(const init_conversion&) = delete;

private:
    std::atomic<bool>& m_finished;
    bool m_no_com;
};
