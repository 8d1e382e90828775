// The root of the editor's waveform window: it moves the play cursor on every tick, answers
// what the waveform reports (menu request, drags, auto-scroll), keeps the mouse off the
// waveform while recording and lets a click during playback carry on from the clicked place.
#pragma once

#include "editor/toolkit/widget_window.h"

class EP_AudioFileEditor;

class EP_Window : public CGI_Window {
public:
    EP_Window(CGN_Wnd* hostWindow, int width, int height, EP_AudioFileEditor* editorIn);

    void OnTick() override;
    bool Notify(int event, CGP_Graphic* sender) override;
    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override;
    void OnMouseMove(int px, int py, int outcode) override;
    void OnButtonUp(int px, int py, int button, bool ctrl, bool shift) override;
    void Resize(int newWidth, int newHeight) override;
    void SetScrollPosition(int horizontalPosition, int verticalPosition) override;

    EP_AudioFileEditor* editor; // not owned

private:
    bool Recording() const;
    bool PlayingOrRecording() const;
};
