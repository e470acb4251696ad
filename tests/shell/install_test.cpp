// Installation into a staging folder, as `make install DESTDIR=... PREFIX=...`
// does it, and the installed suite used from there.
#include "harness.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(Install, IntoDestdir)
{
    if (!have_program("cmake"))
        GTEST_SKIP() << "cmake is not installed";
    TempDir stage;
    RunResult installed = run_shell("DESTDIR='" + stage.path + "' cmake --install '" RV_BUILD_DIR
                                    "' --prefix /opt/rv > /dev/null");
    ASSERT_EQ(installed.status, 0) << installed.err;
    const std::string root = stage.file("opt/rv");

    for (auto [file, mode] : {std::pair{"bin/rv-single-colour", X_OK}, {"bin/rv-gauss-blur", X_OK},
                              {"bin/rv-farm", X_OK}, {"share/man/man1/rv-farm.1", R_OK},
                              {"share/man/man5/rv-stream.5", R_OK}, {"share/misc/magic/rv", R_OK},
                              {"share/bash-completion/completions/rv-farm", R_OK},
                              {"share/zsh/site-functions/_rv", R_OK}})
        EXPECT_EQ(access((root + "/" + file).c_str(), mode), 0) << file;

    // An installed program, found through PATH alone.
    expect_output(shell("PATH='" + root + "/bin':/usr/bin:/bin; "
                        "rv-single-colour -w 2 -h 1 0.5 | rv-to-text"),
                  "",
                  "1 2 1 xyza\n0.475235 0.500000 0.544414 1.000000\n"
                  "0.475235 0.500000 0.544414 1.000000\n");

    // Completion as bash-completion would load it for one program.
    expect_output(shell("bash -c '. \"" + root + "/share/bash-completion/completions/rv-crop\" && "
                        "COMP_WORDS=(rv-crop -) COMP_CWORD=1 && _rv rv-crop && "
                        "echo \"${COMPREPLY[*]}\"'"),
                  "", "-s -S -t\n");

    if (!have_program("man"))
        GTEST_SKIP() << "man is not installed";
    RunResult page = run_shell("MANWIDTH=80 man -P cat -l '" + root + "/share/man/man1/rv-crop.1'");
    EXPECT_EQ(page.status, 0) << page.err;
    EXPECT_NE(page.out.find("rv-crop - a rectangle of every frame"), std::string::npos) << page.out;
}
