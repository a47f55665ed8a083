// The about box: the banner picture, the product caption, one line about
// the product, and a link to the user manual that comes with the program
// (left out when it was not found). Only its OK button (or the window's close box)
// closes it: Enter and Escape are swallowed. It can be dragged by any
// point.
#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QString>

namespace rowmender {

struct AboutTexts {
  QString caption;      // the product caption, also the dialog title
  QString description;  // the line below it
  QString manual;       // the user manual's address; empty when not found
};

class CTarnAboutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFontPixels = 15;
  static constexpr int kFontWeight = 600;

  CTarnAboutDlg(const AboutTexts& texts, QWidget* parent = nullptr);

  QLabel* CaptionLine() const { return caption_; }
  QLabel* DescriptionLine() const { return description_; }
  QPushButton* OkButton() const { return ok_; }
  QLabel* ManualLink() const { return manual_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QLabel* MakeLink(const QString& target, const QString& caption, const QString& tip);

  QFont font_;
  QLabel* caption_;
  QLabel* description_;
  QLabel* manual_;
  QPushButton* ok_;
  QPoint dragOffset_;
  bool dragging_ = false;
};

}  // namespace rowmender
