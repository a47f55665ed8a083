#include "controls/gui/output_list.h"

#include <algorithm>

namespace rowmender {

CTarnListCtrl::CTarnListCtrl(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("outputList"));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformItemSizes(true);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void CTarnListCtrl::InsertLine(int row, const std::string& text) {
  const int at = std::clamp(row, 0, count());
  insertItem(at, QString::fromStdString(text));
  scrollToItem(item(at));
}

std::string CTarnListCtrl::Line(int row) const {
  const QListWidgetItem* line = item(row);
  return line == nullptr ? std::string() : line->text().toStdString();
}

}  // namespace rowmender
