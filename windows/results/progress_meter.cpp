#include "windows/results/progress_meter.h"

#include <QResizeEvent>

#include "editor/toolkit/widget_window.h"
#include "windows/results/progress_meter_painting.h"

AudioProgressMeterWnd::AudioProgressMeterWnd(QWidget* parent) : CGN_Wnd(parent) {
    BeginDirectDraw();
    const QSize client = viewport()->size();
    window_ = new CGI_Window(this, client.width(), client.height());
    meter_ =
        new AudioProgressMeterGrf(window_, window_, 0, 0, client.width(), client.height(), true);
    meter_->SetAnchors(true, true, true, true);
}

AudioProgressMeterWnd::~AudioProgressMeterWnd() {
    delete meter_;
    delete window_;
}

void AudioProgressMeterWnd::SetPercent(int percent) {
    meter_->SetPercent(percent);
}

void AudioProgressMeterWnd::resizeEvent(QResizeEvent* event) {
    CGN_Wnd::resizeEvent(event);
    const QSize client = viewport()->size();
    if (client.width() > 0 && client.height() > 0)
        meter_->Redraw();
}
