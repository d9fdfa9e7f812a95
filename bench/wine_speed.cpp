// The Windows release under Wine as a viewer runs it, measured: a fresh 1920x1080x24 Xvfb
// with openbox for each run, intro.exe from the unzipped zip; the time from starting wine to
// the first frame on screen, then frames per second (every frame moves the scroller) and the
// CPU of the intro's process, its wineserver and the X server, over several runs and with
// each of the SDL2 renderers asked for.
//
//   wine_speed ZIP [RUNS [SECONDS [RENDERER...]]]   (default 3 runs of 10 s, renderer "default")
//
// A renderer is a value of SDL_RENDER_DRIVER ("direct3d", "opengl", "software"), "default"
// for SDL2's own choice, or any other setting as NAME=value. Runs take the renderers in turns, so
// that the machine's load falls on all alike; INTRO_WINE_PREFIX names a prefix to reuse (else a
// fresh one each).
#include <X11/Xutil.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../tests/e2e/harness.h"
#include "../tests/windows/wine_run.h"

using namespace e2e;

namespace {

// User and system CPU of a process so far, in seconds; 0 if it is gone.
double cpu_seconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The wineserver serving `prefix`.
pid_t wineserver_of(const std::string &prefix) {
    pid_t found = -1;
    DIR *proc = opendir("/proc");
    while (dirent *e = proc ? readdir(proc) : nullptr) {
        const pid_t pid = std::atoi(e->d_name);
        if (pid <= 0)
            continue;
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name != "wineserver")
            continue;
        std::ifstream env("/proc/" + std::to_string(pid) + "/environ");
        const std::string vars((std::istreambuf_iterator<char>(env)),
                               std::istreambuf_iterator<char>());
        if (vars.find("WINEPREFIX=" + prefix + '\0') != std::string::npos)
            found = pid;
    }
    if (proc)
        closedir(proc);
    return found;
}

struct figures {
    double first_frame_s = -1, fps = 0, grabs_per_s = 0, intro_cpu = 0, wineserver_cpu = 0,
           x_cpu = 0;
};

// One run; false with the reason on stderr if the intro never showed its first frame.
bool measure(const std::string &zip, const std::string &renderer, double seconds, figures *f) {
    x_server server;
    std::string error;
    if (!start_x_server(&server, &error, "1920x1080x24") ||
        !start_window_manager(&server, &error)) {
        std::fprintf(stderr, "wine_speed: %s\n", error.c_str());
        return false;
    }
    int w = 0, h = 0;
    const std::vector<std::uint16_t> background =
        bmp_as_565(std::string(SOURCE_DIR) + "/res/back.dat", &w, &h);
    wine_run r;
    std::vector<std::string> env;
    if (renderer.find('=') != std::string::npos)
        env.push_back(renderer);
    else if (renderer != "default")
        env.push_back("SDL_RENDER_DRIVER=" + renderer);
    if (!start_wine_intro(&r, zip, &server, false, true, env)) {
        std::fprintf(stderr, "wine_speed: wine did not start\n");
        return false;
    }
    const placement p = whole_number_placement(1920, 1080);
    for (const double deadline = now_s() + 120; now_s() < deadline; sleep_s(0.01))
        if (shows_background_top(shrink_screen(grab_screen_rgb(server.display), p.scale, p.x, p.y),
                                 background)) {
            f->first_frame_s = now_s() - r.started;
            break;
        }
    if (f->first_frame_s < 0) {
        std::fprintf(stderr, "wine_speed: no frame within 120 s\n%s",
                     intro_stderr(&r.intro).c_str());
        return false;
    }
    sleep_s(2); // past the start-up
    // The scroller's band at the right: it moves every frame.
    const int x = p.x + p.scale * 160, y = p.y + p.scale * 110, bw = p.scale * 160,
              bh = p.scale * 90;
    const pid_t wineserver = wineserver_of(r.prefix);
    const double cpu0 = cpu_seconds(r.intro.pid), ws0 = cpu_seconds(wineserver),
                 x0 = cpu_seconds(server.pid), t0 = now_s();
    std::vector<char> last;
    int frames = -1, grabs = 0;
    while (now_s() - t0 < seconds) {
        ++grabs;
        XImage *image =
            XGetImage(server.display, DefaultRootWindow(server.display), x, y,
                      static_cast<unsigned>(bw), static_cast<unsigned>(bh), AllPlanes, ZPixmap);
        if (image) {
            const size_t size = static_cast<size_t>(image->bytes_per_line) * image->height;
            if (last.size() != size || std::memcmp(last.data(), image->data, size) != 0) {
                last.assign(image->data, image->data + size);
                ++frames;
            }
            XDestroyImage(image);
        }
        sleep_s(0.002);
    }
    const double elapsed = now_s() - t0;
    f->fps = frames / elapsed;
    f->grabs_per_s = grabs / elapsed;
    f->intro_cpu = 100 * (cpu_seconds(r.intro.pid) - cpu0) / elapsed;
    f->wineserver_cpu = wineserver > 0 ? 100 * (cpu_seconds(wineserver) - ws0) / elapsed : 0;
    f->x_cpu = 100 * (cpu_seconds(server.pid) - x0) / elapsed;
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wine_speed ZIP [RUNS [SECONDS [RENDERER...]]]\n");
        return 2;
    }
    const std::string zip = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 10;
    std::vector<std::string> renderers;
    for (int i = 4; i < argc; ++i)
        renderers.push_back(argv[i]);
    if (renderers.empty())
        renderers.push_back("default");
    std::vector<std::vector<figures>> all(renderers.size());
    for (int run = 0; run < runs; ++run)
        for (size_t i = 0; i < renderers.size(); ++i) {
            figures f;
            if (!measure(zip, renderers[i], seconds, &f))
                return 1;
            std::printf("%-9s run %d: first frame %.2f s, %.1f frames/s (%.0f grabs/s), CPU "
                        "intro %.1f %%, wineserver %.1f %%, Xvfb %.1f %%\n",
                        renderers[i].c_str(), run + 1, f.first_frame_s, f.fps, f.grabs_per_s,
                        f.intro_cpu, f.wineserver_cpu, f.x_cpu);
            std::fflush(stdout);
            all[i].push_back(f);
        }
    for (size_t i = 0; i < renderers.size(); ++i) {
        auto med = [&](double figures::*field) {
            std::vector<double> v;
            for (const figures &f : all[i])
                v.push_back(f.*field);
            return median(v);
        };
        std::printf("%-9s median of %d: first frame %.2f s, %.1f frames/s, CPU intro %.1f %% "
                    "of one core, wineserver %.1f %%, Xvfb %.1f %%\n",
                    renderers[i].c_str(), runs, med(&figures::first_frame_s), med(&figures::fps),
                    med(&figures::intro_cpu), med(&figures::wineserver_cpu), med(&figures::x_cpu));
    }
    return 0;
}
