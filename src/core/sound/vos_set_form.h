// The sound settings dialog as a window of the table: four rows of a name and a switch, OK and
// cancel below, drawn from the dialog's state after every press.
#pragma once

#include "sound/vos_set.h"
#include "view/table_view.h"

namespace korvel {

class VosSetForm {
 public:
  VosSetForm(VosSet& dialog, TableView& view) : dialog_(dialog), view_(view) {}

  // The settings button: shows or hides the dialog above the table's lower right corner.
  void Toggle();
  // The hide key or a click on the table.
  void Hide();
  // A click inside the dialog; false when it was not one of its buttons.
  bool OnClick(FormId form, ElementId element);
  // Repaints the switches and the dialog's visibility from the dialog's state.
  void Sync();
  FormId form() const { return form_; }

 private:
  void Build();

  VosSet& dialog_;
  TableView& view_;
  FormId form_ = kNoForm;
  std::array<ElementId, VosSet::kRows> names_{};
  std::array<ElementId, VosSet::kRows> switches_{};
  ElementId ok_ = kNoElement;
  ElementId cancel_ = kNoElement;
};

}  // namespace korvel
