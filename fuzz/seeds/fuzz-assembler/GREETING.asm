; Called from INIT: shows a line and returns to the caller.

    call SubString(0, 1, 4, "vura engine", 1)   ; the first four characters into string 1
    call SetWindowTitle("{str:1} の呼び出したスクリプトです (クリックで戻ります)")
    call WaitClick(0)
    Return
