#include <gtest/gtest.h>
#include <cstdio>
#include "tests/support/sandbox_guard.h"

// No test of this project runs, and so nothing is deleted, unless the process is inside the sandbox.
int main(int argc, char** argv)
{
    const auto violations = SandboxViolations();
    if (!violations.empty()) {
        for (const auto& v : violations) fprintf(stderr, "SANDBOX: %s\n", v.c_str());
        fprintf(stderr, "Refusing to run tests outside the sandbox.\n");
        return 3;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
