// The fake capture world's own checks on its script, which every capture test relies on.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "fakes/FakeCaptureWorld.h"

namespace {

TEST(ScriptCheckTest, AMisspeltCallOrAnAnswerNeverGivenFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(FakeCaptureWorld().Script("Graph.Runn", E_FAIL),
                            "no fake makes a call \"Graph.Runn\"");
    EXPECT_NONFATAL_FAILURE(FakeCaptureWorld().Script("Graph.Run", E_FAIL, true),
                            "for \"Graph.Run\" was never given");
    EXPECT_NONFATAL_FAILURE(FakeCaptureWorld().Script("Camera.Capture.SetFormat", E_FAIL),
                            "was never given");
    FakeCaptureWorld world;  // one given, one replaced before it could be
    world.Script("Bind(Camera)", E_FAIL);
    EXPECT_EQ(FakeAnswer("Bind(Camera)", S_OK), E_FAIL);
    world.Script("Bind(Camera)", S_FALSE);
    EXPECT_NONFATAL_FAILURE(world.Script("Bind(Camera)", E_FAIL), "was never given");
    EXPECT_EQ(FakeAnswer("Bind(Camera)", S_OK), E_FAIL);
}

}  // namespace
