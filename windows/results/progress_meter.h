// The corner window of the result table that holds nothing but a framed download meter
// filling it.
#pragma once

#include "editor/toolkit/host_window.h"

class AudioProgressMeterGrf;
class CGI_Window;

class AudioProgressMeterWnd : public CGN_Wnd {
    Q_OBJECT
public:
    // Makes the widget window at the client size and the meter filling it. The window
    // paints straight into its client area: a bar this small needs no back buffer.
    explicit AudioProgressMeterWnd(QWidget* parent = nullptr);
    // The meter goes before the widget window it hangs in.
    ~AudioProgressMeterWnd() override;

    void SetPercent(int percent);

    AudioProgressMeterGrf* meter() const { return meter_; }
    CGI_Window* widgetWindow() const { return window_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Owned; raw because the widget window binds itself to this host and unbinds when deleted.
    CGI_Window* window_ = nullptr;
    AudioProgressMeterGrf* meter_ = nullptr;
};
