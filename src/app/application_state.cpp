#include "app/application_state.h"

namespace rowmender {

CTarnSalvorProjApp::CTarnSalvorProjApp() {
  collations.LoadInstalled();
}

CTarnSalvorProjApp::CTarnSalvorProjApp(CollationTable table) : collations(std::move(table)) {}

ValueOptions ValueOptionsFor(const CTarnSalvorProjApp& app) {
  ValueOptions options;
  options.form = app.SaveMode() ? ValueForm::kSave : ValueForm::kPreview;
  options.collations = &app.collations;
  return options;
}

}  // namespace rowmender
