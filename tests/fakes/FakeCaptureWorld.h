// FakeCaptureWorld: a scripted capture platform for tests. While one exists, CoCreateInstance
// makes fake filter graphs and capture graph builders, the device enumerator lists the devices
// added here, and every call a fake takes is logged in order under a name ("Graph.Run",
// "Bind(Camera)", "Camera.Capture.SetFormat") by which a test can script its status.
//
// The world's capture graph builder renders the preview by joining the camera's "Preview" pin
// to a new "Renderer" or, without one, splitting the "Capture" pin through a "Tee" and answering
// VFW_S_NOPREVIEWPIN; FindInterface looks on the camera's pin of the category and downstream.
#pragma once

#include <deque>
#include <initializer_list>
#include <map>
#include <source_location>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"

class CFakeFilter;

class FakeCaptureWorld {
public:
    FakeCaptureWorld();
    ~FakeCaptureWorld();

    // Lists a new filter with these pins as a video input device; binding it is logged as
    // "Bind(<filter name>)".
    ComPtr<CFakeFilter> AddDevice(const std::string& friendlyName, const std::string& filterName,
                                  const std::vector<std::string>& pins = {});
    // The call answers hr from now on or, with `once`, only the next time it is made. A name no
    // fake logs fails the test at once; an answer never given fails it when the world goes.
    void Script(const std::string& call, HRESULT hr, bool once = false,
                std::source_location where = std::source_location::current());
    int CountOf(const std::string& call) const;
    // Whether these calls were all made, in this order.
    bool InOrder(std::initializer_list<std::string> calls) const;

    std::vector<std::string> m_calls;

private:
    struct Answer {
        HRESULT hr;
        std::source_location where;  // of the Script call, for the report
        bool given = false;
    };
    static void ReportNeverGiven(const std::string& call, const Answer& answer);

    std::map<std::string, std::deque<Answer>> m_once;  // answered before m_always
    std::map<std::string, Answer> m_always;
    friend HRESULT FakeAnswer(const std::string& call, HRESULT natural);
};

// Logs the call in the current world; answers its scripted status, else `natural`.
HRESULT FakeAnswer(const std::string& call, HRESULT natural);
