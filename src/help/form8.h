#pragma once
// The About window.

#include "app/secondary_form.h"

namespace qc {

class TForm8 : public SecondaryForm {
public:
    TForm8();

protected:
    void firstShow() override;
};

}  // namespace qc
