// The Windows release started under Wine (see wine_run.h).
#include "wine_run.h"

#include <unistd.h>

#include <cstdlib>

namespace e2e {

std::string wine_path() {
    for (const char *p : {"/usr/bin/wine", "/usr/lib/wine/wine"})
        if (access(p, X_OK) == 0)
            return p;
    return "";
}

static std::string wine_prefix(const std::string &folder) {
    const char *given = std::getenv("INTRO_WINE_PREFIX");
    return given && *given ? given : folder + "/wineprefix";
}

wine_run::~wine_run() {
    kill_intro(&intro);
    run("WINEPREFIX='" + prefix + "' wineserver -k >/dev/null 2>&1");
}

std::string windows_path(const std::string &path) {
    std::string windows = "Z:" + path;
    for (char &c : windows)
        if (c == '/')
            c = '\\';
    return windows;
}

bool start_wine_intro(wine_run *r, const std::string &zip, const x_server *server, bool wine_sound,
                      bool keep_res, const std::vector<std::string> &more_env) {
    if (!make_temp_folder(&r->folder))
        return false;
    const std::string downloads = r->folder.path + "/My Downloads";
    if (run("mkdir '" + downloads + "' && cd '" + downloads + "' && unzip -q '" + zip + "'") != 0)
        return false;
    r->release = downloads + "/wavelength-win32";
    if (!keep_res)
        remove_tree(r->release + "/res");
    for (const std::string &file : r->removed)
        remove_tree(r->release + "/" + file);
    r->prefix = wine_prefix(r->folder.path);
    r->wine_sound_path = r->folder.path + "/wine-sound.wav";
    const std::string alsa = r->folder.path + "/asound.conf";
    // Wine hands ALSA floating-point samples, which the file plugin would label as 32-bit
    // integers; the plug in front turns them into 16-bit ones.
    const std::string config = "pcm.!default {\n"
                               "  type plug\n"
                               "  slave { pcm \"recorder\" format S16_LE }\n"
                               "}\n"
                               "pcm.recorder {\n"
                               "  type file\n"
                               "  slave.pcm { type null }\n"
                               "  file \"" +
                               r->wine_sound_path +
                               "\"\n"
                               "  format \"wav\"\n"
                               "}\n";
    if (!write_file(alsa, config))
        return false;
    intro_env env;
    if (wine_sound)
        env.unset = {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE"};
    env.set = {"WINEPREFIX=" + r->prefix, "WINEDEBUG=-all",
               "WINEDLLOVERRIDES=mscoree,mshtml=", "ALSA_CONFIG_PATH=" + alsa};
    env.set.insert(env.set.end(), more_env.begin(), more_env.end());
    r->started = now_s();
    if (r->from_elsewhere) {
        r->elsewhere = r->folder.path + "/Desktop";
        return run("mkdir '" + r->elsewhere + "'") == 0 &&
               start_program(&r->intro, {wine_path(), r->release + "/intro.exe"}, r->elsewhere,
                             server, env);
    }
    return start_program(&r->intro, {wine_path(), "intro.exe"}, r->release, server, env);
}

std::vector<std::string> intro_lines(const intro_process *p) {
    std::vector<std::string> lines;
    for (std::string line : lines_of(intro_stderr(p))) {
        // The C runtime's stderr is a text stream: its lines end in CR LF.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("CRITICAL: ", 0) != 0)
            lines.push_back(line);
    }
    return lines;
}

} // namespace e2e
