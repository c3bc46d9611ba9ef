#include "edit/edit_outcome.h"

#include "storage/domain.h"

namespace Corv {

EditOutcome EditOutcome::Refusal(int code, std::string reason) {
    return {State::Refused, code, std::move(reason)};
}

EditOutcome EditOutcome::Cancellation() {
    return {State::Cancelled, 0, {}};
}

void ShowRefusal(CDomain& services, const EditOutcome& outcome) {
    if (outcome.state != EditOutcome::State::Refused || outcome.code == 0)
        return;
    if (outcome.reason.empty())
        services.ShowError(outcome.code);
    else
        services.ShowError(outcome.code, outcome.reason);
}

bool Confirmed(int answer) {
    return answer == kAnswerOk || answer == kAnswerYes;
}

ConfirmFn AskOkCancel(CDomain& services) {
    return [&services](int code) { return Confirmed(services.Ask(kButtonsOkCancel, code)); };
}

} // namespace Corv
