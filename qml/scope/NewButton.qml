import "qrc:/common" as Common

// The scope set's name for the shared push button.
Common.NewButton {}
