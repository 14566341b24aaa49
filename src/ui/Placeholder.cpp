namespace pelkora { int uiPlaceholder = 0; }
