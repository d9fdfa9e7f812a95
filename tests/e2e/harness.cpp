// The end-to-end harness: private Xvfb, temporary folder with media, the intro as a child
// process, screen grabs and XTest keys.
#include "harness.h"

#include <SDL.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

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

// In a freshly forked child: die with the test process, so nothing outlives a crashed
// or killed test run.
static void die_with_parent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
}

static void kill_and_reap(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// ---- the X server ----------------------------------------------------------------------

// The intro's windows come and go under the harness's feet; an X error about one of them
// must not end the test process, as Xlib's default handler would.
static int note_x_error(Display *, XErrorEvent *) {
    return 0;
}

x_server::~x_server() {
    stop_x_server(this);
}

bool start_x_server(x_server *x, std::string *error, const char *screen) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        die_with_parent(parent);
        // The write end goes to fd 3, without close-on-exec, for -displayfd.
        if (dup2(fds[1], 3) < 0)
            _exit(127);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp",
               "-noreset", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    x->pid = pid;

    // Xvfb writes its display number followed by a newline once it accepts connections.
    std::string number;
    const double deadline = now_s() + 20;
    while (number.find('\n') == std::string::npos) {
        const double left = deadline - now_s();
        pollfd p = {fds[0], POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) {
            *error = "Xvfb gave no display number within 20 s";
            break;
        }
        char buf[32];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            *error = "Xvfb ended without giving a display number (is it installed?)";
            break;
        }
        number.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        stop_x_server(x);
        return false;
    }
    x->number = std::atoi(number.c_str());
    x->name = ":" + std::to_string(x->number);
    XSetErrorHandler(note_x_error);
    x->display = XOpenDisplay(x->name.c_str());
    if (!x->display) {
        *error = "cannot connect to Xvfb on " + x->name;
        stop_x_server(x);
        return false;
    }
    int event_base, error_base, major, minor;
    if (!XTestQueryExtension(x->display, &event_base, &error_base, &major, &minor)) {
        *error = "Xvfb on " + x->name + " has no XTEST extension";
        stop_x_server(x);
        return false;
    }
    return true;
}

// A window manager announces itself with _NET_SUPPORTING_WM_CHECK on the root window.
static bool window_manager_running(Display *d) {
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    const bool found = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW,
                                          &type, &format, &count, &after, &data) == Success &&
                       type == XA_WINDOW && count == 1;
    if (data)
        XFree(data);
    return found;
}

bool start_window_manager(x_server *x, std::string *error) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        die_with_parent(parent);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        setenv("DISPLAY", x->name.c_str(), 1);
        execlp("openbox", "openbox", "--sm-disable", static_cast<char *>(nullptr));
        _exit(127);
    }
    x->window_manager = pid;
    const double deadline = now_s() + 20;
    while (!window_manager_running(x->display)) {
        if (now_s() > deadline || waitpid(pid, nullptr, WNOHANG) == pid) {
            x->window_manager = -1;
            *error = "openbox did not take over the screen within 20 s (is it installed?)";
            return false;
        }
        sleep_s(0.01);
    }
    return true;
}

void stop_x_server(x_server *x) {
    if (x->window_manager > 0)
        kill_and_reap(x->window_manager);
    x->window_manager = -1;
    if (x->display)
        XCloseDisplay(x->display);
    x->display = nullptr;
    if (x->pid > 0) {
        // Asked politely, Xvfb removes its socket and lock file; killed, it leaves them.
        kill(x->pid, SIGTERM);
        const double deadline = now_s() + 3;
        pid_t r;
        while ((r = waitpid(x->pid, nullptr, WNOHANG)) == 0 && now_s() < deadline)
            sleep_s(0.005);
        if (r == 0)
            kill_and_reap(x->pid);
    }
    x->pid = -1;
}

// ---- the temporary folder and its media ------------------------------------------------

temp_folder::~temp_folder() {
    if (!path.empty() && !std::getenv("E2E_KEEP"))
        remove_tree(path);
}

bool make_temp_folder(temp_folder *t) {
    std::string pattern = (fs::temp_directory_path() / "intro-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return false;
    t->path = pattern;
    return true;
}

void remove_tree(const std::string &path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

bool write_file(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool write_fixture_bmp(const std::string &path, int w, int h, int seed) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (!s)
        return false;
    // Every channel runs through all its low bits, so truncation to 5-6-5 is exercised.
    for (int y = 0; y < h; ++y) {
        auto *row = static_cast<Uint8 *>(s->pixels) + y * s->pitch;
        for (int x = 0; x < w; ++x) {
            const Uint32 r = static_cast<Uint32>(x * 7 + y + seed * 40) & 0xFF;
            const Uint32 g = static_cast<Uint32>(y * 3 + x * 5 + seed * 13) & 0xFF;
            const Uint32 b = static_cast<Uint32>((x ^ y) + seed * 71) & 0xFF;
            const Uint32 v = SDL_MapRGB(s->format, static_cast<Uint8>(r), static_cast<Uint8>(g),
                                        static_cast<Uint8>(b));
            std::memcpy(row + x * 3, &v, 3); // little-endian: the low three bytes
        }
    }
    const bool ok = SDL_SaveBMP(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

static void put_u16(std::string *o, unsigned v);
static void put_u32(std::string *o, unsigned long v);

// The colour of the pixel at (x, y) of a surface of any depth.
static void surface_rgb(const SDL_Surface *s, int x, int y, Uint8 *r, Uint8 *g, Uint8 *b) {
    const int bpp = s->format->BytesPerPixel;
    Uint32 v = 0;
    std::memcpy(&v, static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * bpp,
                static_cast<size_t>(bpp));
    SDL_GetRGB(v, s->format, r, g, b);
}

bool rewrite_as_32_bits(const std::string &path, unsigned char (*alpha)(int x, int y)) {
    SDL_Surface *s = SDL_LoadBMP(path.c_str());
    if (!s)
        return false;
    std::string o = "BM";
    const unsigned long pixels = static_cast<unsigned long>(s->w) * s->h * 4;
    put_u32(&o, 54 + pixels);
    put_u32(&o, 0);
    put_u32(&o, 54);
    put_u32(&o, 40);
    put_u32(&o, static_cast<unsigned long>(s->w));
    put_u32(&o, static_cast<unsigned long>(s->h));
    put_u16(&o, 1);
    put_u16(&o, 32);
    put_u32(&o, 0);
    put_u32(&o, pixels);
    o += std::string(16, '\0');
    for (int y = s->h - 1; y >= 0; --y)
        for (int x = 0; x < s->w; ++x) {
            Uint8 r, g, b;
            surface_rgb(s, x, y, &r, &g, &b);
            o.push_back(static_cast<char>(b));
            o.push_back(static_cast<char>(g));
            o.push_back(static_cast<char>(r));
            o.push_back(static_cast<char>(alpha(x, y)));
        }
    SDL_FreeSurface(s);
    return write_file(path, o);
}

static void put_u16(std::string *o, unsigned v) {
    o->push_back(static_cast<char>(v & 0xFF));
    o->push_back(static_cast<char>(v >> 8 & 0xFF));
}

static void put_u32(std::string *o, unsigned long v) {
    put_u16(o, static_cast<unsigned>(v & 0xFFFF));
    put_u16(o, static_cast<unsigned>(v >> 16 & 0xFFFF));
}

static void put_text(std::string *o, const char *text, size_t size) {
    const size_t n = std::strlen(text);
    for (size_t i = 0; i < size; ++i)
        o->push_back(i < n ? text[i] : '\0');
}

// A tiny valid XM: one channel, one 16-row pattern that strikes C-4 on an instrument
// whose one 8-bit sample is a looping sine of period 32 samples.
bool write_fixture_xm(const std::string &path) {
    return write_short_song_xm(path, 16, 6, -1);
}

bool write_short_song_xm(const std::string &path, int rows, int tempo, int silent_from_row) {
    std::string o;
    put_text(&o, "Extended Module: ", 17);
    put_text(&o, "e2e fixture", 20);
    o.push_back('\x1a');
    put_text(&o, "intro e2e harness", 20);
    put_u16(&o, 0x0104); // version
    put_u32(&o, 276);    // header size from this field on
    put_u16(&o, 1);      // song length
    put_u16(&o, 0);      // restart position
    put_u16(&o, 2);      // channels (an even count, as trackers write)
    put_u16(&o, 1);      // patterns
    put_u16(&o, 1);      // instruments
    put_u16(&o, 1);      // linear frequency table
    put_u16(&o, static_cast<unsigned>(tempo));
    put_u16(&o, 125);      // BPM
    put_text(&o, "", 256); // order table: pattern 0

    // Pattern 0, unpacked (5 bytes a cell); row 0 channel 0 plays C-4 (49) at volume 64,
    // the volume column of `silent_from_row` sets volume 0.
    std::string cells;
    for (int row = 0; row < rows; ++row)
        for (int channel = 0; channel < 2; ++channel) {
            const bool strike = row == 0 && channel == 0;
            const bool hush = row == silent_from_row && channel == 0;
            cells.push_back(static_cast<char>(strike ? 49 : 0));
            cells.push_back(static_cast<char>(strike ? 1 : 0));
            cells.push_back(static_cast<char>(strike ? 0x50 : hush ? 0x10 : 0));
            cells.push_back('\0');
            cells.push_back('\0');
        }
    put_u32(&o, 9); // pattern header length
    o.push_back('\0');
    put_u16(&o, static_cast<unsigned>(rows));
    put_u16(&o, static_cast<unsigned>(cells.size()));
    o += cells;

    // Instrument 1 with one sample; its header is 263 bytes including the size field.
    const size_t instrument_start = o.size();
    put_u32(&o, 263);
    put_text(&o, "sine", 22);
    o.push_back('\0');              // type
    put_u16(&o, 1);                 // samples
    put_u32(&o, 40);                // sample header size
    put_text(&o, "", 96 + 48 + 48); // keymap all sample 0, no envelopes
    put_text(&o, "", 16);           // envelope counts, points, types, vibrato
    put_u16(&o, 0);                 // fade-out
    while (o.size() - instrument_start < 263)
        o.push_back('\0');

    const unsigned length = 256;
    put_u32(&o, length);
    put_u32(&o, 0);                      // loop start
    put_u32(&o, length);                 // loop length
    o.push_back(64);                     // volume
    o.push_back('\0');                   // finetune
    o.push_back(1);                      // forward loop, 8-bit
    o.push_back(static_cast<char>(128)); // panning
    o.push_back('\0');                   // relative note
    o.push_back('\0');
    put_text(&o, "sine", 22);
    // 8-bit sample data is stored as differences from the previous sample.
    int previous = 0;
    for (unsigned i = 0; i < length; ++i) {
        const int v = static_cast<int>(std::lround(100 * std::sin(i * 2 * 3.141592653589793 / 32)));
        o.push_back(static_cast<char>((v - previous) & 0xFF));
        previous = v;
    }
    return write_file(path, o);
}

static bool repo_has_media() {
    const fs::path res = fs::path(SOURCE_DIR) / "res";
    if (!fs::exists(res / "back.dat") || !fs::exists(res / "theme.xm"))
        return false;
    for (int i = 0; i < 16; ++i)
        if (!fs::exists(res / ("sl" + std::to_string(i) + ".dat")))
            return false;
    return true;
}

bool prepare_res(const std::string &folder, media source) {
    const fs::path res = fs::path(folder) / "res";
    std::error_code ec;
    fs::create_directories(res, ec);
    if (ec)
        return false;
    if (source == media::repository_if_present && repo_has_media()) {
        fs::copy(fs::path(SOURCE_DIR) / "res", res,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        return !ec;
    }
    if (!write_fixture_bmp((res / "back.dat").string(), width, height, 0))
        return false;
    for (int i = 0; i < 16; ++i)
        if (!write_fixture_bmp((res / ("sl" + std::to_string(i) + ".dat")).string(), 64, 48, i + 1))
            return false;
    return write_fixture_xm((res / "theme.xm").string());
}

// ---- the intro -------------------------------------------------------------------------

intro_process::~intro_process() {
    kill_intro(this);
}

static void set_var(std::vector<std::string> *env, const std::string &assignment) {
    const std::string name = assignment.substr(0, assignment.find('=') + 1);
    for (std::string &e : *env)
        if (e.compare(0, name.size(), name) == 0) {
            e = assignment;
            return;
        }
    env->push_back(assignment);
}

static void unset_var(std::vector<std::string> *env, const std::string &name) {
    for (size_t i = 0; i < env->size(); ++i)
        if ((*env)[i].compare(0, name.size() + 1, name + "=") == 0) {
            env->erase(env->begin() + static_cast<long>(i));
            return;
        }
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
    for (const std::string &assignment : changes.set)
        set_var(&env, assignment);

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

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// ---- the screen and the keyboard -------------------------------------------------------

static Window first_viewable_window(Display *d) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
                found = children[i];
        }
        if (children)
            XFree(children);
    }
    return found;
}

Window wait_for_window(Display *d, double timeout_s) {
    const double deadline = now_s() + timeout_s;
    do {
        if (const Window w = first_viewable_window(d))
            return w;
        sleep_s(0.01);
    } while (now_s() < deadline);
    return 0;
}

// Whether `inner` is `outer` or lies inside it: a window manager puts the intro's window
// inside a frame of its own, and the focus goes to the intro's window within.
static bool is_within(Display *d, Window inner, Window outer) {
    for (int depth = 0; inner && inner != PointerRoot && depth < 16; ++depth) {
        if (inner == outer)
            return true;
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, inner, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == root)
            return false;
        inner = parent;
    }
    return false;
}

Window wait_for_intro_window(Display *d, double timeout_s) {
    const double deadline = now_s() + timeout_s;
    Window candidate = 0;
    double candidate_since = now_s();
    bool replaced = false;
    do {
        const Window w = first_viewable_window(d);
        if (w != candidate) {
            replaced = replaced || candidate != 0;
            candidate = w;
            candidate_since = now_s();
        }
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(d, &focus, &revert);
        // Once a first window has gone, the next one is the one that stays; a window that
        // was never replaced is taken after a second.
        if (w && (focus == PointerRoot || is_within(d, focus, w)) &&
            (replaced || now_s() - candidate_since >= 1.0))
            return w;
        sleep_s(0.01);
    } while (now_s() < deadline);
    return 0;
}

std::vector<std::uint16_t> grab_screen(Display *d) {
    std::vector<std::uint16_t> pixels;
    XImage *image = XGetImage(d, DefaultRootWindow(d), 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image)
        return pixels;
    if (image->bits_per_pixel == 16 && image->red_mask == 0xF800 && image->green_mask == 0x07E0 &&
        image->blue_mask == 0x001F) {
        pixels.resize(width * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y * width + x)] =
                    static_cast<std::uint16_t>(XGetPixel(image, x, y));
    } else if (image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 &&
               image->green_mask == 0x00FF00 && image->blue_mask == 0x0000FF) {
        pixels.resize(width * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned long v = XGetPixel(image, x, y);
                pixels[static_cast<size_t>(y * width + x)] =
                    rgb565(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
            }
    }
    XDestroyImage(image);
    return pixels;
}

rgb_image grab_screen_rgb(Display *d) {
    rgb_image out;
    XWindowAttributes root;
    if (!XGetWindowAttributes(d, DefaultRootWindow(d), &root))
        return out;
    XImage *image = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(root.width),
                              static_cast<unsigned>(root.height), AllPlanes, ZPixmap);
    if (!image)
        return out;
    // Each channel's mask tells where it sits and how wide it is; widened to 8 bits the
    // usual way, so a 5-6-5 server reads like a 24-bit one showing the same colours.
    auto channel = [](unsigned long pixel, unsigned long mask) -> std::uint32_t {
        if (!mask)
            return 0;
        int shift = 0, bits = 0;
        while (!(mask >> shift & 1))
            ++shift;
        while (mask >> (shift + bits) & 1)
            ++bits;
        std::uint32_t v = static_cast<std::uint32_t>(pixel >> shift) & ((1u << bits) - 1);
        std::uint32_t wide = 0;
        for (int filled = 0; filled < 8; filled += bits)
            wide = wide << bits | v;
        const int total = (8 + bits - 1) / bits * bits;
        return (wide >> (total - 8)) & 0xFF;
    };
    out.width = root.width;
    out.height = root.height;
    out.pixels.resize(static_cast<size_t>(root.width) * static_cast<size_t>(root.height));
    for (int y = 0; y < root.height; ++y)
        for (int x = 0; x < root.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            out.pixels[static_cast<size_t>(y) * static_cast<size_t>(root.width) +
                       static_cast<size_t>(x)] = channel(p, image->red_mask) << 16 |
                                                 channel(p, image->green_mask) << 8 |
                                                 channel(p, image->blue_mask);
        }
    XDestroyImage(image);
    return out;
}

bool write_ppm(const std::string &path, const rgb_image &image) {
    std::string o =
        "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    o.reserve(o.size() + image.pixels.size() * 3);
    for (std::uint32_t v : image.pixels) {
        o.push_back(static_cast<char>(v >> 16 & 0xFF));
        o.push_back(static_cast<char>(v >> 8 & 0xFF));
        o.push_back(static_cast<char>(v & 0xFF));
    }
    return write_file(path, o);
}

std::vector<std::uint16_t> shrink_screen(const rgb_image &shot, int scale, int x, int y) {
    std::vector<std::uint16_t> small;
    if (x < 0 || y < 0 || x + scale * width > shot.width || y + scale * height > shot.height)
        return small;
    for (int sy = 0; sy < height; ++sy)
        for (int sx = 0; sx < width; ++sx) {
            const std::uint32_t v = shot.at(x + sx * scale, y + sy * scale);
            small.push_back(rgb565(v >> 16, v >> 8 & 0xFF, v & 0xFF));
        }
    return small;
}

long differences(const std::vector<std::uint16_t> &a, const std::vector<std::uint16_t> &b) {
    if (a.size() != b.size())
        return -1;
    long n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

bool shows_background_top(const std::vector<std::uint16_t> &shot,
                          const std::vector<std::uint16_t> &background) {
    if (shot.size() != background.size() || shot.size() < 90 * width)
        return false;
    for (size_t i = 0; i < 90 * width; ++i)
        if (shot[i] != background[i])
            return false;
    return true;
}

bool shows_slide(const std::vector<std::uint16_t> &shot,
                 const std::vector<std::uint16_t> &background) {
    if (shot.size() != background.size() || shot.size() != width * height)
        return false;
    long n = 0;
    for (int y = 110; y < 200; ++y)
        for (int x = 10; x < 110; ++x)
            n += shot[y * width + x] != background[y * width + x];
    return n > 2000;
}

void move_pointer(Display *d, int x, int y) {
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
    XSync(d, False);
}

bool cursor_is_invisible(Display *d) {
    int event_base, error_base;
    if (!XFixesQueryExtension(d, &event_base, &error_base))
        return false;
    XFixesCursorImage *cursor = XFixesGetCursorImage(d);
    if (!cursor)
        return false;
    bool invisible = true;
    // Each pixel is 32-bit ARGB, carried in an unsigned long.
    for (unsigned i = 0; i < static_cast<unsigned>(cursor->width) * cursor->height; ++i)
        invisible = invisible && (cursor->pixels[i] >> 24 & 0xFF) == 0;
    XFree(cursor);
    return invisible;
}

placement whole_number_placement(int screen_width, int screen_height) {
    const int scale = std::min(screen_width / width, screen_height / height);
    return {scale, (screen_width - scale * width) / 2, (screen_height - scale * height) / 2};
}

static std::uint16_t narrow_to_565(std::uint32_t v) {
    return rgb565(v >> 16, v >> 8 & 0xFF, v & 0xFF);
}

shades::shades() {
    std::fill(std::begin(red), std::end(red), -1);
    std::fill(std::begin(green), std::end(green), -1);
    std::fill(std::begin(blue), std::end(blue), -1);
}

static bool same_shade(int *seen, int v) {
    if (*seen < 0)
        *seen = v;
    return *seen == v;
}

bool shades::one_per_level(std::uint32_t v) {
    const int r = static_cast<int>(v >> 16), g = static_cast<int>(v >> 8 & 0xFF),
              b = static_cast<int>(v & 0xFF);
    return same_shade(&red[r >> 3], r) & same_shade(&green[g >> 2], g) &
           same_shade(&blue[b >> 3], b);
}

std::string enlargement_faults(const rgb_image &shot, const placement &p,
                               const std::vector<std::uint16_t> &background) {
    const int untouched_rows = 90; // the background rows that nothing else draws on
    std::ostringstream out;
    shades seen;
    int reported = 0;
    auto fault = [&](int x, int y, const char *what) {
        if (reported++ < 5)
            out << "at (" << x << ", " << y << ") colour " << std::hex << shot.at(x, y) << std::dec
                << ": " << what << "\n";
    };
    const int right = p.x + p.scale * width, bottom = p.y + p.scale * height;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const bool inside = x >= p.x && x < right && y >= p.y && y < bottom;
            if (!inside) {
                if (shot.at(x, y) != 0)
                    fault(x, y, "the border around the picture is not black");
                continue;
            }
            const int sx = (x - p.x) / p.scale, sy = (y - p.y) / p.scale;
            const std::uint32_t corner = shot.at(p.x + sx * p.scale, p.y + sy * p.scale);
            if (shot.at(x, y) != corner)
                fault(x, y, "not the colour of the rest of its block");
            else if (!seen.one_per_level(shot.at(x, y)))
                fault(x, y, "a second shade of a 5-6-5 level (blurred?)");
            else if (sy < untouched_rows && narrow_to_565(shot.at(x, y)) !=
                                                background[static_cast<size_t>(sy * width + sx)])
                fault(x, y, "not the background's pixel");
        }
    if (reported > 5)
        out << "... " << reported << " faults in all\n";
    return out.str();
}

bool write_ppm(const std::string &path, const std::vector<std::uint16_t> &pixels) {
    if (pixels.size() != static_cast<size_t>(width * height))
        return false;
    std::string o = "P6\n320 240\n255\n";
    for (std::uint16_t v : pixels) {
        // Widened the usual way: the top bits repeated into the new low bits.
        const unsigned r = v >> 11, g = v >> 5 & 63, b = v & 31;
        o.push_back(static_cast<char>(r << 3 | r >> 2));
        o.push_back(static_cast<char>(g << 2 | g >> 4));
        o.push_back(static_cast<char>(b << 3 | b >> 2));
    }
    return write_file(path, o);
}

std::vector<std::uint32_t> bmp_as_rgb(const std::string &path, int *w, int *h) {
    std::vector<std::uint32_t> pixels;
    SDL_Surface *s = SDL_LoadBMP(path.c_str());
    if (!s)
        return pixels;
    *w = s->w;
    *h = s->h;
    pixels.resize(static_cast<size_t>(s->w * s->h));
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Uint8 r, g, b;
            surface_rgb(s, x, y, &r, &g, &b);
            pixels[static_cast<size_t>(y * s->w + x)] =
                static_cast<std::uint32_t>(r << 16 | g << 8 | b);
        }
    SDL_FreeSurface(s);
    return pixels;
}

std::vector<std::uint16_t> bmp_as_565(const std::string &path, int *w, int *h) {
    std::vector<std::uint16_t> pixels;
    for (std::uint32_t v : bmp_as_rgb(path, w, h))
        pixels.push_back(rgb565(v >> 16, v >> 8 & 0xFF, v & 0xFF));
    return pixels;
}

int panel_off_blend(const std::vector<std::uint16_t> &screen,
                    const std::vector<std::uint32_t> &background,
                    const std::vector<std::uint32_t> &slide, int slide_w, int slide_h, int alpha) {
    int worst = 0;
    for (int y = 0; y < slide_h; ++y)
        for (int x = 0; x < slide_w && 10 + x < 121; ++x) {
            const size_t at = static_cast<size_t>((110 + y) * width + 10 + x);
            const std::uint32_t s = slide[static_cast<size_t>(y * slide_w + x)], d = background[at];
            unsigned blend[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned sc = s >> (16 - 8 * c) & 0xFF, dc = d >> (16 - 8 * c) & 0xFF;
                blend[c] = (sc * static_cast<unsigned>(alpha) + dc * (255u - alpha)) / 255;
            }
            const std::uint16_t e = rgb565(blend[0], blend[1], blend[2]), p = screen[at];
            worst =
                std::max({worst, std::abs((p >> 11) - (e >> 11)),
                          std::abs((p >> 5 & 63) - (e >> 5 & 63)), std::abs((p & 31) - (e & 31))});
        }
    return worst;
}

void press_key(Display *d, unsigned long keysym, const std::vector<unsigned long> &modifiers) {
    for (unsigned long m : modifiers)
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, m), True, CurrentTime);
    const KeyCode code = XKeysymToKeycode(d, keysym);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, *m), False, CurrentTime);
    XSync(d, False);
}

void press_and_release_as(Display *d, unsigned long pressed, unsigned long released) {
    const KeyCode code = XKeysymToKeycode(d, pressed);
    int per_code = 0;
    KeySym *old = XGetKeyboardMapping(d, code, 1, &per_code);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XSync(d, False);
    sleep_s(0.1); // seen as pressed before the keyboard changes
    std::vector<KeySym> now(static_cast<size_t>(per_code > 0 ? per_code : 1), released);
    XChangeKeyboardMapping(d, code, static_cast<int>(now.size()), now.data(), 1);
    XSync(d, False);
    sleep_s(0.1);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XSync(d, False);
    sleep_s(0.1);
    if (old) {
        XChangeKeyboardMapping(d, code, per_code, old, 1);
        XFree(old);
    }
    XSync(d, False);
}

void send_close_request(Display *d, Window w) {
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
}

// ---- the recorded sound ----------------------------------------------------------------

int peak_amplitude(const std::string &path, long *sample_count) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return -1;
    int peak = 0;
    long count = 0;
    unsigned char pair[2];
    while (in.read(reinterpret_cast<char *>(pair), 2)) {
        const int v = static_cast<std::int16_t>(pair[0] | pair[1] << 8);
        peak = std::max(peak, std::abs(v));
        ++count;
    }
    if (sample_count)
        *sample_count = count;
    return peak;
}

std::vector<int> block_peaks(const std::string &path, long block) {
    std::vector<int> peaks;
    std::ifstream in(path, std::ios::binary);
    unsigned char pair[2];
    long in_block = 0;
    while (in.read(reinterpret_cast<char *>(pair), 2)) {
        if (in_block == 0)
            peaks.push_back(0);
        const int v = std::abs(static_cast<int>(static_cast<std::int16_t>(pair[0] | pair[1] << 8)));
        peaks.back() = std::max(peaks.back(), v);
        in_block = (in_block + 1) % block;
    }
    return peaks;
}

} // namespace e2e
