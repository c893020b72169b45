#pragma once
// Runs part of a test as a user other than root, where file modes matter:
// root may write any file, so a read-only file proves nothing to it. As root
// the part runs in a child process that drops to uid and gid 65534 (the
// conventional "nobody"; no account is needed for the kernel to apply file
// modes to it); otherwise it runs in this process. Either way it gets a
// fresh folder it owns, and reports failures as text.
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>

namespace varnex::testing {

struct Checks {
    std::string failures;
    void Expect(bool ok, const std::string& what) {
        if (!ok) failures += what + "\n";
    }
};

// The outcome: `skipped` says why the part could not run as a non-root user.
struct UnprivilegedRun {
    std::string failures;
    std::string skipped;
};

// `setup`, when given, runs first as the calling user (root, perhaps), to
// lay out files the unprivileged part may not make itself.
inline UnprivilegedRun RunUnprivileged(const std::function<void(const std::string& folder, Checks& checks)>& body,
                                       const std::function<void(const std::string& folder)>& setup = nullptr) {
    UnprivilegedRun run;
    char pattern[] = "/tmp/varnex-unprivileged-XXXXXX";
    if (!::mkdtemp(pattern)) {
        run.skipped = "no temporary folder";
        return run;
    }
    const std::string folder = pattern;
    if (setup) setup(folder);
    auto cleanup = [&] { std::system(("chmod -R u+rwx '" + folder + "' 2>/dev/null; rm -rf '" + folder + "'").c_str()); };
    if (::geteuid() != 0) {
        Checks checks;
        body(folder, checks);
        run.failures = checks.failures;
        cleanup();
        return run;
    }
    const uid_t nobody = 65534;
    if (::chown(folder.c_str(), nobody, nobody) != 0) {
        run.skipped = "cannot hand a folder to uid 65534";
        cleanup();
        return run;
    }
    int pipe[2];
    if (::pipe(pipe) != 0) {
        run.skipped = "no pipe";
        cleanup();
        return run;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        std::string out;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0 || ::geteuid() == 0) {
            out = "SKIP";
        } else {
            Checks checks;
            body(folder, checks);
            out = checks.failures;
        }
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(pipe[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string out;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipe[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (out == "SKIP") run.skipped = "cannot become uid 65534";
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) run.failures = "the unprivileged part crashed\n" + out;
    else run.failures = out;
    cleanup();
    return run;
}

}  // namespace varnex::testing
