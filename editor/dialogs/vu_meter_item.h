#pragma once

#include <QWidget>
#include <memory>

class CGI_Window;
class CGP_VUMeter;

// A dialog control that shows one level meter: it hosts a widget window whose only node
// is a CGP_VUMeter filling the control, and paints that tree whenever it is drawn.
class VUMeterItem : public QWidget {
public:
    explicit VUMeterItem(QWidget* parent = nullptr);
    ~VUMeterItem() override;

    CGP_VUMeter& Meter() { return *meter_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<CGI_Window> window_;
    std::unique_ptr<CGP_VUMeter> meter_; // a child of window_, deleted first
};
