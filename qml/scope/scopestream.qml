import "qrc:/common" as Common

// The scope window under the scope set's name: the one in the common folder.
Common.ScopeStreamQML {}
