// The welcome page shown under the main strip whenever no working form is open.
#pragma once

#include <QDate>

#include "platform/Form.h"

class QLabel;

// "2026年12月06日 星期日": zero-padded month and day, then the weekday.
QString WelcomeDateLine(const QDate& date);

class welcome_form : public platform::Form {
    Q_OBJECT
  public:
    explicit welcome_form(QWidget* parent = nullptr);

    QLabel* lblTime;
    // The day the date line shows; today unless a test sets another before loading.
    QDate today = QDate::currentDate();

  protected:
    void Form_Load() override;
};
