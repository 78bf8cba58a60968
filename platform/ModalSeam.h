// The seam where something other than a person may answer a modal window: when a modal form, dialog
// or popup menu starts, the installed answerer sees it first. Tests and scripting tools implement it;
// the program itself installs none.
#pragma once

class TObject;

class TModalAnswerer {
public:
    virtual ~TModalAnswerer() = default;
    // Called with the form, dialog or menu object as it starts. True ends it at once with Result
    // (0: cancelled); false lets it run (the answerer may have pressed one of its buttons).
    virtual bool ModalStarting(TObject* Dialog, int& Result) = 0;
};

// Installs the answerer (null: none); answers the one it replaces.
TModalAnswerer* SetModalAnswerer(TModalAnswerer* Answerer);
TModalAnswerer* ModalAnswerer();
// What modal loops call as they start.
bool CallModalHook(TObject* Dialog, int& Result);
