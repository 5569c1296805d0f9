#pragma once
// The About window: the product's name, the maker's contact lines, and a mail link.

#include "core/ports/shell.h"
#include "shared/secondary_form.h"

class QLabel;

namespace qc {

// The maker, as the About window and the Help menu name it.
inline constexpr const char* kMakerMail = "qc@qingchuan.example";

class TForm8 : public SecondaryForm {
public:
    explicit TForm8(Shell& shell);

    void Label5Click();

    QLabel* Label3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;

protected:
    void firstShow() override;

private:
    Shell& shell_;
};

}  // namespace qc
