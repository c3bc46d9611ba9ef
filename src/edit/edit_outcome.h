#pragma once

#include <functional>
#include <string>

namespace Corv {

class CDomain;

// Asks a question of the user by its message code before an edit goes on; true when the user
// agreed. An edit given no callback goes on as if agreed.
using ConfirmFn = std::function<bool(int code)>;

// What an edit did: it was carried out, refused (with the message that says why, if the user is
// to see one), or the user declined a question it asked. The core shows none of it: the
// program that called the edit presents a refusal with `ShowRefusal`.
struct EditOutcome {
    enum class State { Done, Refused, Cancelled };

    State state = State::Done;
    // The message code of a refusal; 0 when a refusal shows nothing.
    int code = 0;
    // The line shown with the message, saying by how much or why; empty for none.
    std::string reason;

    bool Done() const { return state == State::Done; }
    static EditOutcome Refusal(int code = 0, std::string reason = {});
    static EditOutcome Cancellation();
};

// Shows a refusal's message (with its reason when it has one) through the message sink of the
// services; nothing for an edit that was done or cancelled, or for a refusal without a message.
void ShowRefusal(CDomain& services, const EditOutcome& outcome);

// True for an answer that lets an operation go ahead (OK, or Yes from a sink that says so).
bool Confirmed(int answer);

// The question callback of the programs: an OK/Cancel question through the message sink of the
// services.
ConfirmFn AskOkCancel(CDomain& services);

} // namespace Corv
