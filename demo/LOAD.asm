; The load button's script: the save/load screen, for loading (game int 25 = 1).

    PushRef 25 0
    PushConst 0 1
    Assign
    Pop
    call CallSQX("SAVESCREEN")
    Return
