#include "CPulseServer.h"

#include "SignalMeasure.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace
{
// The variables this process's clients read; put back as they were afterwards.
constexpr const char *kClientVariables[] = {"PULSE_SERVER", "PULSE_CLIENTCONFIG", "PULSE_RUNTIME_PATH"};

bool CanConnect(const std::string &socketPath)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const bool connected = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}
} // namespace

CPulseServer::CPulseServer()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmere-pulse.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        m_error = "no temporary folder for the sound server";
        return;
    }
    m_folder = pattern;
    m_socket = m_folder + "/native";
    std::ofstream(m_folder + "/client.conf") << "autospawn = no\n";
    setenv("PULSE_SERVER", ("unix:" + m_socket).c_str(), 1);
    setenv("PULSE_CLIENTCONFIG", (m_folder + "/client.conf").c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (m_folder + "/runtime").c_str(), 1);
}

CPulseServer::~CPulseServer()
{
    Kill();
    for (const char *name : kClientVariables)
        unsetenv(name);
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

pid_t CPulseServer::Spawn(const std::vector<std::string> &arguments, const std::string &output,
                          const std::string &log) const
{
    // Everything the child needs is made before fork: after it only exec-safe calls.
    std::vector<std::string> environment;
    for (char **variable = environ; *variable != nullptr; ++variable)
        environment.emplace_back(*variable);
    // The server keeps its runtime files, state and (as root) its home in the folder.
    for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_STATE_PATH"})
        environment.push_back(std::string(name) + "=" + m_folder);
    std::vector<char *> argv, envp;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    for (const std::string &variable : environment)
        envp.push_back(const_cast<char *>(variable.c_str()));
    envp.push_back(nullptr);
    const pid_t child = fork();
    if (child != 0)
        return child;
    prctl(PR_SET_PDEATHSIG, SIGKILL); // a test that crashes takes its server along
    close_range(3, ~0U, 0);           // nor does it keep the test's own connections open
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0 && err >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
    }
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
}

bool CPulseServer::Start()
{
    if (m_folder.empty())
        return false;
    m_server = Spawn({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no", "--realtime=no",
                      "--high-priority=no", "--log-target=stderr",
                      "--load=module-null-sink sink_name=quillmere_sink rate=44100",
                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket},
                     m_folder + "/server.log", m_folder + "/server.log");
    if (m_server < 0 || !WaitUntilServing()) {
        std::ifstream log(m_folder + "/server.log");
        m_error = "pulseaudio did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
        Kill();
        return false;
    }
    return true;
}

bool CPulseServer::WaitUntilServing()
{
    for (int i = 0; i < 1000; ++i) {
        if (CanConnect(m_socket))
            return true;
        int status = 0;
        if (waitpid(m_server, &status, WNOHANG) == m_server) {
            m_server = -1; // it gave up, the log says why
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void CPulseServer::Stop(pid_t &process)
{
    if (process <= 0)
        return;
    kill(process, SIGKILL);
    waitpid(process, nullptr, 0);
    process = -1;
}

void CPulseServer::Kill()
{
    Stop(m_server);
    Stop(m_recorder);
}

bool CPulseServer::StartRecording()
{
    Stop(m_recorder);
    m_recording = m_folder + "/recording" + std::to_string(++m_nRecordings) + ".raw";
    // Small fragments, so the file grows steadily. A null sink that had no client wakes
    // up to two seconds after the first one connects: only then does the recording begin.
    m_recorder = Spawn({"parec", "--device=quillmere_sink.monitor", "--raw", "--format=float32le", "--channels=2",
                        "--rate=44100", "--latency-msec=20"},
                       m_recording, m_folder + "/recorder.log");
    return m_recorder > 0;
}

double CPulseServer::RecentLevel(size_t frames) const
{
    std::ifstream file(m_recording, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(file), {});
    const size_t recorded = bytes.size() / (2 * sizeof(float));
    // An empty vector has no buffer, and memcpy takes no null pointer even for no bytes.
    if (recorded == 0 || recorded < frames) {
        return 0.0;
    }
    std::vector<float> samples(recorded * 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return Rms(samples, recorded - frames, recorded);
}
