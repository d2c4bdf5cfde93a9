#include <gtest/gtest.h>
#include <unistd.h>

#include "App/SingleInstance.h"
#include "support/ScopedEnv.h"

TEST(SocketPathTest, WithoutRuntimeFolderTheSocketStaysInATemporaryFolder) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", QString());
    for (const char* tmpdir : {"/tmp", "/tavrin-missing-folder"}) {
        ScopedEnv temporary("TMPDIR", QString::fromLatin1(tmpdir));
        EXPECT_EQ(SingleInstance::defaultSocketPath(),
                  QStringLiteral("/tmp/org.tavrin.Tavrin-%1.socket").arg(getuid()))
            << tmpdir;
    }
}
