// The about window: product, version and maker.
#pragma once

#include "platform/Form.h"

class frmSplash : public platform::Form {
    Q_OBJECT
  public:
    explicit frmSplash(QWidget* parent = nullptr);
};
