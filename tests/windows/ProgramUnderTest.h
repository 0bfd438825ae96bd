// The test programs that look at quorvane.exe take its path, handed over
// from the Unix side, as their first argument.
#pragma once

#include "WinePath.h"

#include <gtest/gtest.h>

#include <stdio.h>

// Runs the tests on the program named by the first argument left after
// GoogleTest's own options, which it stores in program.
inline int RunTestsOnProgram(int argc, char **argv, std::string *program)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: %s PATH-TO-quorvane.exe [gtest options]\n", argv[0]);
        return 2;
    }
    *program = WindowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
