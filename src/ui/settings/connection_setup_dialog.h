// The Connection Manager dialog: its widgets bound to
// TConnectionManagerModel, which holds the profile table for the whole run.
// Opened window-modal with open(); when it finishes (by Ok, or by the close
// box, which commits nothing) the main window rereads Model().
#pragma once

#include <QDialog>

#include <array>
#include <functional>
#include <string>

#include "ui/settings/connection_manager_model.h"

class QLineEdit;
class QListWidget;

namespace varnel::ui {

class TConnectionSetup : public QDialog {
  Q_OBJECT

 public:
  // The profiles of the file at `profile_path`, none until Load().
  explicit TConnectionSetup(std::string profile_path, QWidget* parent = nullptr);

  // At program start: reads the profile file. Throws EProfileFileError
  // (the table stays empty then); a missing file gives no profiles.
  void Load() { model_.Load(); }

  // The profile table (Model().Profiles()) and its names in list order
  // (Model().ListItems()).
  const TConnectionManagerModel& Model() const { return model_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void lstConnectionsClick(int row);
  void btnAddNewClick();
  void btnDeleteClick();
  void btnEditClick();
  void btnOkClick();
  // The four edit boxes with their names, labels and profile fields.
  struct TBoxBinding {
    QLineEdit* Box;
    const char* Name;
    const char* Label;
    TProfileField Field;
  };
  std::array<TBoxBinding, 4> Boxes() const;
  void ShowModel();
  // Shows the notices one after the other, then runs `then`.
  void ShowNotices(TManagerNotices notices, std::function<void()> then = {});

  TConnectionManagerModel model_;
  QListWidget* lstConnections;
  QLineEdit* edtConnName;
  QLineEdit* edtAddress;
  QLineEdit* edtUserName;
  QLineEdit* edtPassword;
};

}  // namespace varnel::ui
