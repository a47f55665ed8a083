// The ribbon-style command bar: an application button with the program's
// menu, one tab "Rowmender", and under it panels of large-image buttons,
// each panel with its title below its buttons.
#pragma once

#include <QAction>
#include <QColor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>
#include <vector>

namespace rowmender {

class RibbonPanel : public QFrame {
  Q_OBJECT

 public:
  RibbonPanel(const QString& title, QWidget* parent);

  // A large button (image above text) that triggers `action`.
  QToolButton* AddLargeButton(QAction* action);
  const QString& Title() const { return title_; }

 private:
  QString title_;
  QHBoxLayout* buttons_;
};

class CRibbonBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kLargeImage = 32;

  explicit CRibbonBar(QWidget* parent = nullptr);

  // The application button's menu.
  QMenu* ApplicationMenu() const { return applicationMenu_; }
  QToolButton* ApplicationButton() const { return applicationButton_; }
  QTabBar* Tabs() const { return tabs_; }
  // Appends a panel to the tab; an empty title gives a panel without one.
  RibbonPanel* AddPanel(const QString& title);
  const std::vector<RibbonPanel*>& Panels() const { return panels_; }
  // The large button that triggers `action`, if any.
  QToolButton* ButtonFor(const QAction* action) const;

  void SetColours(const QColor& top, const QColor& bottom);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QToolButton* applicationButton_;
  QMenu* applicationMenu_;
  QTabBar* tabs_;
  QHBoxLayout* panelRow_;
  std::vector<RibbonPanel*> panels_;
  QColor top_;
  QColor bottom_;
};

}  // namespace rowmender
