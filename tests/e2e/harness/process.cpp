// The harness's children (see process.h).
#include "process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "x_server.h"

namespace e2e {

double now_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void sleep_s(double seconds) {
    timespec t;
    t.tv_sec = static_cast<time_t>(seconds);
    t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * 1e9);
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

void die_with_parent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
}

void kill_and_reap(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

intro_process::~intro_process() {
    kill_intro(this);
}

// Removes NAME (of "NAME" or "NAME=value") from the environment.
static void unset_var(std::vector<std::string> *env, const std::string &name) {
    const std::string prefix = name.substr(0, name.find('=')) + "=";
    env->erase(std::remove_if(env->begin(), env->end(),
                              [&](const std::string &e) { return e.rfind(prefix, 0) == 0; }),
               env->end());
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

bool sanitized_build() {
    return sanitized;
}

// Mesa's software GL driver, which SDL loads for its window and unloads again in
// SDL_Quit: what it still holds then looks leaked from an unknown module.
static const char *software_gl_driver() {
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                             "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
                             "/usr/lib64/dri/swrast_dri.so", "/usr/lib/dri/swrast_dri.so"})
        if (access(path, R_OK) == 0)
            return path;
    return nullptr;
}

// Leaks inside the system's libraries are theirs, not the intro's: the suppressions name
// them. Preloading the GL driver keeps it mapped until exit, so what it holds stays
// reachable instead of turning up as leaks nobody can name.
static void add_sanitizer_env(std::vector<std::string> *env, int largest_allocation_mib) {
    env->push_back(std::string("LSAN_OPTIONS=suppressions=") + SOURCE_DIR +
                   "/tests/lsan.supp:print_suppressions=0");
    std::string asan = "ASAN_OPTIONS=";
    if (const char *v = std::getenv("ASAN_OPTIONS"))
        asan += std::string(v) + ":";
    if (const char *v = std::getenv("UBSAN_OPTIONS"))
        env->push_back(std::string("UBSAN_OPTIONS=") + v);
    if (sanitized)
        if (const char *gl = software_gl_driver()) {
            env->push_back(std::string("LD_PRELOAD=") + gl);
            asan += "verify_asan_link_order=0:";
        }
    if (sanitized && largest_allocation_mib > 0)
        asan += "allocator_may_return_null=1:max_allocation_size_mb=" +
                std::to_string(largest_allocation_mib) + ":";
    env->push_back(asan);
}

bool start_intro(intro_process *p, const std::string &folder, const x_server *server,
                 const intro_env &changes) {
    return start_program(p, {INTRO_EXE}, folder, server, changes);
}

bool start_program(intro_process *p, const std::vector<std::string> &args,
                   const std::string &folder, const x_server *server, const intro_env &changes) {
    p->folder = folder;
    p->stderr_path = folder + "/stderr.txt";
    p->audio_path = folder + "/audio.raw";
    p->exited = false;
    p->exit_code = -1;
    p->term_signal = 0;

    std::vector<std::string> env;
    const char *path = std::getenv("PATH");
    env.push_back(std::string("PATH=") + (path ? path : "/usr/bin:/bin"));
    env.push_back("HOME=" + folder);
    env.push_back("XDG_RUNTIME_DIR=" + folder); // as in any login session
    if (server)
        env.push_back("DISPLAY=" + server->name);
    env.push_back("SDL_AUDIODRIVER=disk");
    env.push_back("SDL_DISKAUDIOFILE=" + p->audio_path);
    add_sanitizer_env(&env, changes.largest_allocation_mib);
    for (const std::string &name : changes.unset)
        unset_var(&env, name);
    for (const std::string &assignment : changes.set) {
        unset_var(&env, assignment);
        env.push_back(assignment);
    }

    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    uid_t uid = 0;
    gid_t gid = 0;
    const bool switch_user = changes.as_nobody && geteuid() == 0;
    if (switch_user) {
        const passwd *nobody = getpwnam("nobody");
        if (!nobody)
            return false;
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
        // Its folder and the files the harness wrote must be reachable by that user.
        if (chmod(folder.c_str(), 0777) != 0)
            return false;
    }

    int err = open(p->stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (err >= 0 && changes.unread_stderr) {
        // The reader end is closed before the intro starts: nobody will ever read its output.
        int ends[2];
        close(err);
        err = pipe2(ends, O_CLOEXEC) == 0 ? ends[1] : -1;
        if (err >= 0)
            close(ends[0]);
    }
    if (err < 0)
        return false;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        die_with_parent(parent);
        if (chdir(folder.c_str()) != 0)
            _exit(127);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(err, 1);
        dup2(err, 2);
        for (int fd : changes.closed)
            close(fd);
        if (switch_user && (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 ||
                            setresuid(uid, uid, uid) != 0))
            _exit(126);
        const rlimit address_space = {static_cast<rlim_t>(changes.address_space_mib) << 20,
                                      static_cast<rlim_t>(changes.address_space_mib) << 20};
        if (changes.address_space_mib > 0 && setrlimit(RLIMIT_AS, &address_space) != 0)
            _exit(125);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(err);
    if (pid < 0)
        return false;
    p->pid = pid;
    return true;
}

static bool reap(intro_process *p, int options) {
    if (p->pid <= 0)
        return p->exited;
    int status = 0;
    pid_t r;
    while ((r = waitpid(p->pid, &status, options)) < 0 && errno == EINTR) {
    }
    if (r != p->pid)
        return false;
    p->pid = -1;
    p->exited = true;
    if (WIFEXITED(status))
        p->exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        p->term_signal = WTERMSIG(status);
    return true;
}

bool wait_intro_exit(intro_process *p, double timeout_s) {
    const double deadline = now_s() + timeout_s;
    while (!reap(p, WNOHANG)) {
        if (now_s() >= deadline)
            return false;
        sleep_s(0.001);
    }
    return true;
}

bool intro_running(intro_process *p) {
    return p->pid > 0 && !reap(p, WNOHANG);
}

void kill_intro(intro_process *p) {
    if (p->pid <= 0)
        return;
    kill(p->pid, SIGKILL);
    reap(p, 0);
}

std::string intro_stderr(const intro_process *p) {
    std::ifstream in(p->stderr_path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int run(const std::string &command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

} // namespace e2e
