// The main of every window test: an application object on the offscreen platform with a private runtime
// directory, then GoogleTest.
#include "support/offscreen.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const tavox::test::TempDir runtime;
    tavox::test::UseOffscreenPlatform(runtime.Path());
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
