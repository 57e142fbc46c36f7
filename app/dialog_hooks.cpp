// The page setup, pen, options, printing, editor and hatch windows. Until
// those windows exist, each hook is wired to its menu item or button and
// does nothing; the options' curve approximation is its first value.
#include "main_form.h"

#include <session/defaults.h>

namespace {

using kalvex::session::DrawingView;

class DialogHooks final : public kalvex::session::DialogHost {
 public:
  explicit DialogHooks(TMainForm& form) : form_(form) {}
  void print(DrawingView*) override {}
  void editor(DrawingView*) override {
    // The editor window would disable its menu item while open; without it
    // the item and the button stay usable.
    form_.logic().editor_closed();
  }
  void page_setup(DrawingView*) override {}
  void pen(DrawingView*) override {}
  void no_selection(DrawingView*) override {}
  void options() override {}
  void hatch(DrawingView*, bool) override {}
  std::string approximation_text() override { return std::to_string(kalvex::session::kGroupApproximation); }
  void apply_units(int) override {}

 private:
  TMainForm& form_;
};

}  // namespace

std::unique_ptr<kalvex::session::DialogHost> make_dialog_host(TMainForm& form) {
  return std::make_unique<DialogHooks>(form);
}
