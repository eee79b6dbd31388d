// Ends a hung run: the process aborts, saying so on stderr, when it is still
// alive when the time set last runs out. A hang then fails the test instead
// of stopping the test run.
#pragma once

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

class CHangGuard
{
public:
    explicit CHangGuard(unsigned seconds, const char *message = "hang: the program hung") { Set(seconds, message); }
    ~CHangGuard() { ::alarm(0); }
    CHangGuard(const CHangGuard &) = delete;
    CHangGuard &operator=(const CHangGuard &) = delete;

    // From now on the process must end, or be set again, within the seconds.
    static void Set(unsigned seconds, const char *message)
    {
        s_message = message;
        std::signal(SIGALRM, [](int) {
            (void)!::write(STDERR_FILENO, s_message, std::strlen(s_message));
            std::abort();
        });
        ::alarm(seconds);
    }

private:
    static inline const char *volatile s_message = "";
};
