; Called from INIT: shows a line, says it aloud on the voice channel, and returns to the
; caller. A click cuts the voice short, as it does a spoken line.

    call SubString(0, 1, 4, "vura engine", 1)   ; the first four characters into string 1
    call SetWindowTitle("{str:1} の呼び出したスクリプトです (クリックで戻ります)")
    call PlayDSB(2, "VOICE1", 0)
    call WaitClick(0)
    call StopDSB(2)
    Return
