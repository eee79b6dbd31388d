// A PulseAudio server of a test's own: a null sink as its only output, reached through a
// socket in a private folder, and the sink's monitor recorded with parec, so a test hears
// what the runtime played. The server can be killed the hard way and started again; both
// processes go with the object, or with the test process if it dies first.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class CPulseServer
{
public:
    // Makes the private folder and points this process's PulseAudio clients (SDL's
    // pulseaudio driver, parec) at the socket in it, without autospawning a server.
    CPulseServer();
    // Kills the server and the recorder, takes back the environment, removes the folder.
    ~CPulseServer();

    CPulseServer(const CPulseServer &) = delete;
    CPulseServer &operator=(const CPulseServer &) = delete;

    // Starts the server and waits until it takes clients; false (with Error() saying
    // why) when it cannot start on this machine.
    bool Start();
    // SIGKILL, as a crash would, and waits until both processes are gone.
    void Kill();
    const std::string &Error() const { return m_error; }

    // Records the sink's monitor (stereo float, 44.1 kHz) into a new file from now on.
    bool StartRecording();
    // Root mean square of the left side over the last frames recorded since StartRecording
    // (0 with fewer).
    double RecentLevel(size_t frames) const;

private:
    // Runs arguments with standard output and error appended to the two files.
    pid_t Spawn(const std::vector<std::string> &arguments, const std::string &output, const std::string &log) const;
    bool WaitUntilServing();
    static void Stop(pid_t &process);

    std::string m_folder;
    std::string m_socket;
    std::string m_recording;
    std::string m_error;
    int m_nRecordings = 0;
    pid_t m_server = -1;
    pid_t m_recorder = -1;
};
