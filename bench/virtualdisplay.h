#pragma once

#include <xcb/xcb.h>

#include <string>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

// Xvfb on a display number it chooses itself, for as long as this lives.
class VirtualDisplay
{
public:
    ~VirtualDisplay() { stop(); }

    // A server that turns clients away (another one took the same number
    // meanwhile) is replaced by a new one.
    bool start()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (launch() && acceptsClients())
                return true;
            stop();
        }
        return false;
    }

    const std::string &name() const { return m_name; }
    pid_t pid() const { return m_pid; }

private:
    bool launch()
    {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return false;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(pipeFds[0]);
            const int devNull = ::open("/dev/null", O_WRONLY);
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
            const std::string fd = std::to_string(pipeFds[1]);
            // -noreset: a server left by its last client would otherwise
            // reset and hang up on the next one for a moment.
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24",
                     "-nolisten", "tcp", "-noreset", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        // The server writes the number and the newline separately; closing
        // the pipe before the newline makes it fail and quit.
        std::string number;
        char digit = 0;
        while (m_pid > 0 && number.size() < 16 && ::read(pipeFds[0], &digit, 1) == 1
               && digit != '\n')
            number += digit;
        ::close(pipeFds[0]);
        if (number.empty())
            return false;
        m_name = ":" + number;
        return true;
    }

    bool acceptsClients() const
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            xcb_connection_t *connection = xcb_connect(m_name.c_str(), nullptr);
            const bool connected = !xcb_connection_has_error(connection);
            xcb_disconnect(connection);
            if (connected)
                return true;
            ::usleep(100000);
        }
        return false;
    }

    void stop()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

    pid_t m_pid = -1;
    std::string m_name;
};
