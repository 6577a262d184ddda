// The DuPont tree as the DuPont window draws it: 20 rounded boxes joined by connector lines,
// the node captions, the operators between sibling boxes and the 31 blue value labels
// lsValue1 to lsValue31. Every place is in twips inside the frame.
#pragma once

#include <QGroupBox>
#include <QRect>
#include <array>
#include <vector>

#include "platform/Label.h"

class DupontTreeFrame : public QGroupBox {
    Q_OBJECT
  public:
    struct Line {
        int x1, y1, x2, y2;
    };

    explicit DupontTreeFrame(QWidget* parent = nullptr);

    // lsValue1 to lsValue31: Value(1) is lsValue1.
    platform::Label* Value(int n) const { return values_.at(n - 1); }
    // Shows `text` in value label n, drawn smaller when it is wider than the room its box
    // leaves right of the label, so that it never runs over the box's edge.
    void setValue(int n, const QString& text);

    // The drawing, in twips inside the frame.
    static const std::vector<QRect>& Boxes();
    static const std::vector<Line>& Lines();

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    std::array<platform::Label*, 31> values_{};
};
